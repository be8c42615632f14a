/* A stand-in plug-in for the export-table checks: the two exports with the
   right calling convention, plus functions that broken export tables name. */
int __cdecl getModuleProperties(int index, void* description) { return index + (description != 0); }
void* __cdecl makeModule(int index, int type, void* callback, int hostValue) {
    return (char*)callback + index + type + hostValue;
}
int __cdecl extraFunction(void) { return 7; }
