// A shared object that exports neither function of a plug-in.
extern "C" [[gnu::visibility("default")]] int notAPlugin() {
    return 0;
}
