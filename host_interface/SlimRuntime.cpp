// Windows plug-ins carry their own static copy of the C++ runtime, and two of
// its defaults drag in far more code than these plug-ins can ever use:
//
// - the default terminate handler prints the exception's demangled type, which
//   links the whole demangler and printf (about 90 KiB);
// - the library's std::__throw_* helpers all live in one object that builds
//   every standard exception type and the string code behind their messages
//   (about 80 KiB).
//
// In these plug-ins the only string failures that can happen are allocation
// failures: texts come from the host as zero-terminated strings or buffers
// that were already allocated, so a length or null-pointer error cannot occur.
// The helpers below therefore raise std::bad_alloc, and terminate aborts at
// once. A plug-in whose code needs the other standard exceptions (for
// instance std::out_of_range from list texts) is built without this file.
#include <cstdlib>
#include <new>

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}
void __throw_length_error(const char*) {
    throw bad_alloc();
}
void __throw_logic_error(const char*) {
    throw bad_alloc();
}
}  // namespace std
