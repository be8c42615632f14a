#include "ModuleInfo.h"

#include <cstring>
#include <vector>

ModuleInfo readModuleInfo(GetModulePropertiesFunction getModuleProperties) {
    ModuleDescription description{};
    ModuleInfo info;
    info.answer = getModuleProperties(0, &description);
    info.displayName = copyPluginText(description.displayName);
    info.identifier = copyPluginText(description.identifier);
    info.aboutText = copyPluginText(description.aboutText);
    info.moduleFlags = description.moduleFlags;
    info.interfaceVersion = description.interfaceVersion;
    return info;
}

std::optional<std::string> copyPluginText(const char* text) {
    if (text == nullptr) return std::nullopt;
    return std::string(text, strnlen(text, kMaxPluginText));
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const auto end = text.find('\n', start);
        lines.push_back(
            text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return lines;
        start = end + 1;
    }
}
