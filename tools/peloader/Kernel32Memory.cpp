// KERNEL32's page queries and protection changes, for the pages of loaded
// images. mingw's start-up uses them to make a section writable while it
// applies its own pseudo-relocations, and restores the old protection after.
#include <sys/mman.h>

#include <cstdint>

#include "LoadedImages.h"
#include "Shim.h"
#include "Win32.h"

namespace pe {
namespace {

using namespace win32;

// MEMORY_BASIC_INFORMATION of 32-bit Windows.
struct MemoryBasicInformation {
    void* baseAddress;         // first page of the run
    void* allocationBase;      // the image's base
    Dword allocationProtect;   // protection the image was mapped with
    std::uint32_t regionSize;  // bytes in the run
    Dword state;               // kMemoryCommitted
    Dword protect;             // the run's PageProtection
    Dword type;                // kMemoryImage
};
static_assert(sizeof(MemoryBasicInformation) == 28);

constexpr Dword kMemoryCommitted = 0x1000;
constexpr Dword kMemoryImage = 0x1000000;

// Only addresses inside loaded images are known; any other fails with
// ERROR_INVALID_ADDRESS rather than being described wrongly.
[[gnu::stdcall, gnu::force_align_arg_pointer]] std::uint32_t VirtualQuery(
    const void* address, MemoryBasicInformation* info, std::uint32_t length) {
    if (info == nullptr || length < sizeof(MemoryBasicInformation)) {
        setLastError(ErrorCode::BadLength);
        return 0;
    }
    const auto region = LoadedImages::query(reinterpret_cast<std::uintptr_t>(address));
    if (!region) {
        setLastError(ErrorCode::InvalidAddress);
        return 0;
    }
    *info = MemoryBasicInformation{reinterpret_cast<void*>(region->start),
                                   reinterpret_cast<void*>(region->allocationBase),
                                   static_cast<Dword>(PageProtection::ExecuteWriteCopy),
                                   region->size,
                                   kMemoryCommitted,
                                   region->protection,
                                   kMemoryImage};
    return sizeof(MemoryBasicInformation);
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] Bool VirtualProtect(void* address,
                                                                   std::uint32_t size,
                                                                   Dword protection,
                                                                   Dword* oldProtection) {
    if (oldProtection == nullptr || posixProtection(protection) < 0) {
        setLastError(ErrorCode::InvalidParameter);
        return kFalse;
    }
    if (!LoadedImages::protect(reinterpret_cast<std::uintptr_t>(address), size, protection,
                               *oldProtection)) {
        setLastError(ErrorCode::InvalidAddress);
        return kFalse;
    }
    return kTrue;
}

const Shim kShims[] = {
    {"KERNEL32.dll", "VirtualProtect", shimAddress(VirtualProtect)},
    {"KERNEL32.dll", "VirtualQuery", shimAddress(VirtualQuery)},
};

}  // namespace

std::span<const Shim> kernel32MemoryShims() {
    return kShims;
}

}  // namespace pe

namespace pe::win32 {

int posixProtection(Dword protection) {
    switch (static_cast<PageProtection>(protection)) {
        case PageProtection::NoAccess:
            return PROT_NONE;
        case PageProtection::ReadOnly:
            return PROT_READ;
        case PageProtection::ReadWrite:
        case PageProtection::WriteCopy:
            return PROT_READ | PROT_WRITE;
        case PageProtection::Execute:
            return PROT_EXEC;
        case PageProtection::ExecuteRead:
            return PROT_READ | PROT_EXEC;
        case PageProtection::ExecuteReadWrite:
        case PageProtection::ExecuteWriteCopy:
            return PROT_READ | PROT_WRITE | PROT_EXEC;
    }
    return -1;
}

}  // namespace pe::win32
