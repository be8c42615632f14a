#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "PeTables.h"
#include "Win32.h"

namespace pe {

// Every image the loader has mapped in this process, with the protection of
// each of its pages. The KERNEL32 shims that ask about modules and memory
// (GetModuleHandle, GetProcAddress, VirtualQuery, VirtualProtect) answer
// from it, and the loader sets protections through it, so that what
// VirtualQuery reports is what mprotect was told.
class LoadedImages {
public:
    // A run of pages with one protection, as VirtualQuery describes it.
    struct Region {
        std::uintptr_t start;           // first page of the run
        std::uint32_t size;             // bytes in the run
        std::uintptr_t allocationBase;  // the image's base
        win32::Dword protection;        // PageProtection of every page in it
    };

    // `tables` must outlive the entry; every page starts as ReadWrite.
    static void add(std::uintptr_t base, std::uint32_t size, std::string fileName,
                    const PeTables* tables);
    static void remove(std::uintptr_t base);

    // The base of the image loaded from a file of that name ("Foo.dll", or
    // "foo" for "foo.dll"; case does not matter), or 0.
    static std::uintptr_t findByName(std::string_view name);
    static bool isImageBase(std::uintptr_t base);
    // An export's address in the image at `base`; null when there is none
    // or it is forwarded to another library.
    static void* exportAddress(std::uintptr_t base, std::string_view name);
    static void* exportAddress(std::uintptr_t base, std::uint32_t ordinal);

    // The run of equally protected pages from the page holding `address` to
    // the end of its image; nothing when no image holds the address.
    static std::optional<Region> query(std::uintptr_t address);
    // Changes the protection of the pages spanning [address, address + size),
    // all inside one image, and gives the first page's old protection.
    static bool protect(std::uintptr_t address, std::uint32_t size, win32::Dword protection,
                        win32::Dword& oldProtection);
};

}  // namespace pe
