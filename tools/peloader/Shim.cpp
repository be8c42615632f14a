#include "Shim.h"

#include <array>
#include <cctype>

namespace pe {
namespace {

using ShimGroup = std::span<const Shim> (*)();
constexpr std::array<ShimGroup, 9> kGroups{
    kernel32ModuleShims, kernel32MemoryShims, kernel32SyncShims,
    kernel32TlsShims,    kernel32TextShims,   msvcrtMemoryShims,
    msvcrtRuntimeShims,  msvcrtStdioShims,    msvcrtWideShims,
};

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

const Shim* findShim(std::string_view library, std::string_view name) {
    for (ShimGroup group : kGroups) {
        for (const Shim& shim : group()) {
            if (shim.name == name && equalIgnoringCase(shim.library, library)) return &shim;
        }
    }
    return nullptr;
}

std::size_t shimCount() {
    std::size_t count = 0;
    for (ShimGroup group : kGroups) count += group().size();
    return count;
}

}  // namespace pe
