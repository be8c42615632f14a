#include "PinInfo.h"

#include <array>
#include <cstdio>

#include "PinDescription.h"

namespace {

template <typename Code>
struct CodeName {
    Code code;
    const char* name;
};

constexpr std::array<CodeName<PinDatatype>, 5> kDatatypeNames = {{
    {PinDatatype::Enum16, "Enum16"},
    {PinDatatype::Bool8, "Bool8"},
    {PinDatatype::HostWord32, "HostWord32"},
    {PinDatatype::Float32, "Float32"},
    {PinDatatype::Int32, "Int32"},
}};

constexpr std::array<CodeName<PinFlags>, 3> kFlagNames = {{
    {PinFlags::RepeatLast, "RepeatLast"},
    {PinFlags::GuiSide, "GuiSide"},
    {PinFlags::AlsoDsp, "AlsoDsp"},
}};

std::string hexWord(std::uint32_t word) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", word);
    return text;
}

}  // namespace

bool PinInfo::isList() const {
    return datatype == static_cast<std::int32_t>(PinDatatype::Enum16);
}
bool PinInfo::isBool() const {
    return datatype == static_cast<std::int32_t>(PinDatatype::Bool8);
}
bool PinInfo::isFloat() const {
    return datatype == static_cast<std::int32_t>(PinDatatype::Float32);
}

ListLabels PinInfo::labels() const {
    if (!isList() || !listText) return {};
    return readListText(*listText);
}

std::string PinInfo::displayName() const {
    return name ? *name : "pin " + std::to_string(index);
}

std::optional<std::string> directionName(std::int32_t direction) {
    switch (static_cast<PinDirection>(direction)) {
        case PinDirection::In:
            return "In";
        case PinDirection::Out:
            return "Out";
    }
    return std::nullopt;
}

std::optional<std::string> datatypeName(std::int32_t datatype) {
    for (const auto& entry : kDatatypeNames) {
        if (static_cast<std::int32_t>(entry.code) == datatype) return entry.name;
    }
    return std::nullopt;
}

std::vector<std::string> flagNames(std::uint32_t flags) {
    std::vector<std::string> names;
    for (const auto& entry : kFlagNames) {
        if (hasFlag(flags, entry.code)) {
            names.emplace_back(entry.name);
            flags &= ~toWord(entry.code);
        }
    }
    for (std::uint32_t bit = 1; flags != 0; bit <<= 1) {
        if ((flags & bit) != 0) {
            names.push_back(hexWord(bit));
            flags &= ~bit;
        }
    }
    return names;
}
