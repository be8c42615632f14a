#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ListLabels.h"

// One pin as the module describes it through DSP opcode 6, with its texts
// copied out of the plug-in.
struct PinInfo {
    std::int32_t index = 0;               // position in the pin table
    std::optional<std::string> name;      // none when the module gave a null name
    std::int32_t direction = 0;           // a PinDirection code
    std::int32_t datatype = 0;            // a PinDatatype code
    std::optional<std::string> listText;  // none when the module gave a null list text
    std::uint32_t flags = 0;              // PinFlags bits

    bool isList() const;
    bool isBool() const;
    bool isFloat() const;
    // The list text read into items; empty unless this is a list pin with a text.
    ListLabels labels() const;
    // The name, or "pin N" for a pin without one.
    std::string displayName() const;
};

// Names of the codes, as describe prints them; nullopt for an unknown code.
std::optional<std::string> directionName(std::int32_t direction);
std::optional<std::string> datatypeName(std::int32_t datatype);
// The names of the known flag bits that are set, then each unknown bit in hex.
std::vector<std::string> flagNames(std::uint32_t flags);
