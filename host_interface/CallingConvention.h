#pragma once

// Every function that crosses the library boundary (the exports, the host's
// callback, the entries stored in the instance records) uses the x86 cdecl
// convention: arguments pushed from last to first, the caller removes them.
// x86-64 has a single convention and no such attribute, so it expands to
// nothing there. This is the one macro of the layer: a calling convention
// cannot be expressed by a constant or a type alias alone.
#if defined(__i386__)
#define QK_CDECL __attribute__((cdecl))
#else
#define QK_CDECL
#endif
