#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "PluginExports.h"

// What getModuleProperties says about module 0, with its texts copied out.
struct ModuleInfo {
    std::int32_t answer = 0;                 // 1 when the module exists
    std::optional<std::string> displayName;  // none for a null pointer
    std::optional<std::string> identifier;
    std::optional<std::string> aboutText;  // lines joined by single line feeds
    std::uint32_t moduleFlags = 0;
    std::uint32_t interfaceVersion = 0;
};

// Calls getModuleProperties(0) on a zeroed record and copies what it wrote.
ModuleInfo readModuleInfo(GetModulePropertiesFunction getModuleProperties);

// A text of the plug-in's, copied; none for a null pointer. Copies at most
// kMaxPluginText bytes, so a text without its terminator cannot run away.
std::optional<std::string> copyPluginText(const char* text);
inline constexpr std::size_t kMaxPluginText = 4096;

// The about text split at its line feeds (an empty text is one empty line).
std::vector<std::string> splitLines(const std::string& text);
