#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "PinInfo.h"

// Pin values as a user writes and reads them: a list pin by label or number,
// a boolean as 0, 1, true or false, a float pin as a number, every other pin
// as a whole number. The host holds each value as a 32-bit word.

// One step of `modhost run`: give a pin a value.
struct PinSetting {
    std::int32_t pin;   // index in the pin table
    std::int32_t word;  // the value as the host holds it
    std::string text;   // "Mode=ON": the pin's name and the value as the user wrote it
};

// The pin named `nameOrIndex`: by name first, then by index. Throws BadInput.
const PinInfo& findPin(const std::vector<PinInfo>& pins, std::string_view nameOrIndex);

// The word for `text` on this pin. Throws BadInput when it is not a value the pin takes.
std::int32_t parsePinValue(const PinInfo& pin, std::string_view text);

// "PIN=VALUE", spaces around either side allowed. Throws BadInput.
PinSetting parseSetting(const std::vector<PinInfo>& pins, std::string_view assignment);

// The value as a user reads it: a list pin's label (or its number when no
// item has it), a float, or a whole number.
std::string formatPinValue(const PinInfo& pin, std::int32_t word);

// What the pin accepts, in words: "OFF, ON or a number", "0, 1, true or false".
std::string acceptedValues(const PinInfo& pin);

// The text without leading and trailing white space.
std::string_view trimWhiteSpace(std::string_view text);
