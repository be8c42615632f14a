#pragma once

#include <cstddef>
#include <span>
#include <string>

// What the first bytes of a file say it is, as far as loading a plug-in goes.
enum class PluginFileKind {
    SharedObject,     // an ELF shared object this process can dlopen
    OtherElfClass,    // ELF, but 32-bit where modhost is 64-bit or the reverse
    OtherElfMachine,  // ELF of this class for another processor
    ElfNotShared,     // ELF, but an executable or object file, not a shared object
    WindowsImage,     // starts with "MZ": a DLL or EXE for Windows
    Unknown,          // anything else, an empty or short file included
};

// Classifies a file from its first bytes (the 20 of an ELF header suffice).
PluginFileKind classifyPluginFile(std::span<const unsigned char> header);

// Why a file of this kind cannot be loaded; empty for the kinds this build
// loads (SharedObject, and WindowsImage where Windows DLLs run).
std::string describeUnloadable(PluginFileKind kind);
