#include "PluginFile.h"

#include <cstdint>

#include "WindowsDllPlugin.h"

namespace {

// ELF header fields that decide whether dlopen can take the file.
constexpr std::size_t kElfClassOffset = 4;     // 1: 32-bit, 2: 64-bit
constexpr std::size_t kElfDataOffset = 5;      // 1: little-endian
constexpr std::size_t kElfTypeOffset = 16;     // 16-bit; 3: shared object
constexpr std::size_t kElfMachineOffset = 18;  // 16-bit; 3: i386, 62: x86-64
constexpr std::size_t kElfHeaderPrefix = 20;
constexpr unsigned char kElfMagic[] = {0x7F, 'E', 'L', 'F'};
constexpr std::uint16_t kElfSharedObject = 3;
constexpr unsigned char kElfLittleEndian = 1;

constexpr bool kHostIs64Bit = sizeof(void*) == 8;
constexpr unsigned char kHostElfClass = kHostIs64Bit ? 2 : 1;
constexpr std::uint16_t kHostElfMachine = kHostIs64Bit ? 62 : 3;

std::uint16_t littleEndian16(std::span<const unsigned char> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

bool startsWith(std::span<const unsigned char> bytes, std::span<const unsigned char> prefix) {
    if (bytes.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (bytes[i] != prefix[i]) return false;
    }
    return true;
}

}  // namespace

PluginFileKind classifyPluginFile(std::span<const unsigned char> header) {
    constexpr unsigned char kWindowsMagic[] = {'M', 'Z'};
    if (startsWith(header, kWindowsMagic)) return PluginFileKind::WindowsImage;
    if (!startsWith(header, kElfMagic) || header.size() < kElfHeaderPrefix) {
        return PluginFileKind::Unknown;
    }
    if (header[kElfClassOffset] != kHostElfClass) return PluginFileKind::OtherElfClass;
    if (header[kElfDataOffset] != kElfLittleEndian ||
        littleEndian16(header, kElfMachineOffset) != kHostElfMachine) {
        return PluginFileKind::OtherElfMachine;
    }
    if (littleEndian16(header, kElfTypeOffset) != kElfSharedObject) {
        return PluginFileKind::ElfNotShared;
    }
    return PluginFileKind::SharedObject;
}

std::string describeUnloadable(PluginFileKind kind) {
    const std::string thisBuild = kHostIs64Bit ? "64-bit x86" : "32-bit x86";
    switch (kind) {
        case PluginFileKind::SharedObject:
            return {};
        case PluginFileKind::OtherElfClass:
            return std::string("a ") + (kHostIs64Bit ? "32-bit" : "64-bit") +
                   " shared object; this modhost loads " + thisBuild + " plug-ins";
        case PluginFileKind::OtherElfMachine:
            return "a shared object for another processor; this modhost loads " + thisBuild +
                   " plug-ins";
        case PluginFileKind::ElfNotShared:
            return "an ELF file but not a shared object";
        case PluginFileKind::WindowsImage:
            if (loadsWindowsDlls()) return {};
            return "a Windows DLL; this modhost loads shared objects only";
        case PluginFileKind::Unknown:
            break;
    }
    return loadsWindowsDlls() ? "neither a shared object nor a Windows DLL" : "not a shared object";
}
