#pragma once

#include <span>
#include <string_view>

namespace pe {

// One export of a system library that the loader provides itself: a function
// with the library's calling convention (stdcall for KERNEL32, cdecl for
// msvcrt), or a datum whose address the import slot receives.
struct Shim {
    std::string_view library;  // "KERNEL32.dll" or "msvcrt.dll"
    std::string_view name;     // the export's name
    void* address;             // the function or datum
};

// A shim table entry's address for a function or a datum.
template <typename Target>
void* shimAddress(Target* target) {
    return reinterpret_cast<void*>(target);
}

// The shims by group; each group lives in its own source file.
std::span<const Shim> kernel32ModuleShims();
std::span<const Shim> kernel32MemoryShims();
std::span<const Shim> kernel32SyncShims();
std::span<const Shim> kernel32TlsShims();
std::span<const Shim> kernel32TextShims();
std::span<const Shim> msvcrtMemoryShims();
std::span<const Shim> msvcrtRuntimeShims();
std::span<const Shim> msvcrtStdioShims();
std::span<const Shim> msvcrtWideShims();

// Every shim; library names compare without regard to case, as Windows does.
const Shim* findShim(std::string_view library, std::string_view name);
std::size_t shimCount();

}  // namespace pe
