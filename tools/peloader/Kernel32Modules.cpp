// KERNEL32's module functions. The loader loads no libraries on a DLL's
// behalf: the DLLs it runs link only system libraries, which are shims. A
// module the host loaded through the loader is found by name and its exports
// are given out; everything else is "not found", which is what mingw's
// start-up expects when it asks for the shared libgcc DLL, so that it uses
// the unwinder linked into the DLL itself.
#include <cstdint>

#include "LoadedImages.h"
#include "Shim.h"
#include "Utf16.h"
#include "Win32.h"

namespace pe {
namespace {

using namespace win32;

Handle moduleNamed(std::string_view name) {
    const std::uintptr_t base = LoadedImages::findByName(name);
    if (base == 0) setLastError(ErrorCode::ModuleNotFound);
    return reinterpret_cast<Handle>(base);
}

// A null name asks for the process's own executable image; the host is no
// PE image, so there is none to give.
[[gnu::stdcall, gnu::force_align_arg_pointer]] Handle GetModuleHandleA(const char* name) {
    if (name == nullptr) {
        setLastError(ErrorCode::ModuleNotFound);
        return nullptr;
    }
    return moduleNamed(name);
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] Handle GetModuleHandleW(const WideChar* name) {
    if (name == nullptr) {
        setLastError(ErrorCode::ModuleNotFound);
        return nullptr;
    }
    return moduleNamed(utf16::toUtf8(name));
}

// Only a library already loaded is "loaded" again; its lifetime stays the
// host's, so FreeLibrary leaves it mapped.
[[gnu::stdcall, gnu::force_align_arg_pointer]] Handle LoadLibraryA(const char* name) {
    return GetModuleHandleA(name);
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] Handle LoadLibraryW(const WideChar* name) {
    return GetModuleHandleW(name);
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] Bool FreeLibrary(Handle module) {
    if (LoadedImages::isImageBase(reinterpret_cast<std::uintptr_t>(module))) return kTrue;
    setLastError(ErrorCode::InvalidHandle);
    return kFalse;
}

// A name whose address is below 64 KiB is an ordinal, as on Windows.
[[gnu::stdcall, gnu::force_align_arg_pointer]] void* GetProcAddress(Handle module,
                                                                    const char* name) {
    const auto base = reinterpret_cast<std::uintptr_t>(module);
    if (!LoadedImages::isImageBase(base)) {
        setLastError(ErrorCode::InvalidHandle);
        return nullptr;
    }
    const auto nameWord = reinterpret_cast<std::uintptr_t>(name);
    void* address = nameWord < 0x10000
                        ? LoadedImages::exportAddress(base, static_cast<std::uint32_t>(nameWord))
                        : LoadedImages::exportAddress(base, std::string_view(name));
    if (address == nullptr) setLastError(ErrorCode::ProcedureNotFound);
    return address;
}

const Shim kShims[] = {
    {"KERNEL32.dll", "FreeLibrary", shimAddress(FreeLibrary)},
    {"KERNEL32.dll", "GetModuleHandleA", shimAddress(GetModuleHandleA)},
    {"KERNEL32.dll", "GetModuleHandleW", shimAddress(GetModuleHandleW)},
    {"KERNEL32.dll", "GetProcAddress", shimAddress(GetProcAddress)},
    {"KERNEL32.dll", "LoadLibraryA", shimAddress(LoadLibraryA)},
    {"KERNEL32.dll", "LoadLibraryW", shimAddress(LoadLibraryW)},
};

}  // namespace

std::span<const Shim> kernel32ModuleShims() {
    return kShims;
}

}  // namespace pe
