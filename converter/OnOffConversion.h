#pragma once

#include <cstdint>
#include <optional>

// The ON/OFF converter's rule, apart from any host: given the pin that
// changed and the three values read, which pin to write and with what.
// Pins: 0 "Mode" (input), 1 "Invert" (input), 2 "Out" (output).
namespace onoff {

inline constexpr std::int32_t kModePin = 0;
inline constexpr std::int32_t kInvertPin = 1;
inline constexpr std::int32_t kOutPin = 2;

struct PinValues {
    std::int32_t invert;  // pin 1
    std::int32_t mode;    // pin 0
    std::int32_t out;     // pin 2
};

struct PinWrite {
    std::int32_t pin;    // the pin to write
    std::int32_t value;  // the value to write
    friend bool operator==(const PinWrite&, const PinWrite&) = default;
};

// The write a notice for `changedPin` leads to, or none.
std::optional<PinWrite> conversionFor(std::int32_t changedPin, PinValues values);

// A float taken back to a 32-bit integer by truncation toward zero, saturated
// at the limits: the nearest float of values just under 2^31 is 2^31 itself,
// which no signed 32-bit integer holds.
std::int32_t truncateSaturated(float value);

}  // namespace onoff
