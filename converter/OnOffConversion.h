#pragma once

#include <cstdint>
#include <limits>
#include <optional>

// The ON/OFF converter's rule, apart from any host: given the pin that
// changed and the three values read, which pin to write and with what.
// Pins: 0 "Mode" (input), 1 "Invert" (input), 2 "Out" (output).
//
// Defined inline: it runs on every notice, and returned out of line the
// optional result goes through memory in a way that stalls the processor
// for longer than the rule itself takes.
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

// The integer rounded to a 32-bit float (nearest, ties to even). On 32-bit
// x86 the compiler may keep a float in an 80-bit x87 register, where the
// integer stays exact (the compiler used here does not round on a cast);
// storing it into a 32-bit float object forces the rounding on every build.
inline float roundToSingle(std::int32_t value) {
    volatile float stored = static_cast<float>(value);
    return stored;
}

// A float taken back to a 32-bit integer by truncation toward zero, saturated
// at the limits: the nearest float of values just under 2^31 is 2^31 itself,
// which no signed 32-bit integer holds.
inline std::int32_t truncateSaturated(float value) {
    constexpr float kTwoTo31 = 2147483648.0f;
    if (value >= kTwoTo31) return std::numeric_limits<std::int32_t>::max();
    if (value < -kTwoTo31) return std::numeric_limits<std::int32_t>::min();
    if (value != value) return 0;  // not reachable from an integer; defined all the same
    return static_cast<std::int32_t>(value);
}

inline bool isBoolean(std::int32_t value) {
    return value == 0 || value == 1;
}

// "Mode" exclusive-or "Invert"; any value outside 0 and 1 gives 0.
inline std::int32_t exclusiveOr(std::int32_t mode, std::int32_t invert) {
    if (!isBoolean(mode) || !isBoolean(invert)) return 0;
    return mode != invert ? 1 : 0;
}

// The negation used for "Out": 0 becomes 1, anything else 0. (Out's float is
// 0.0 exactly when the integer is 0, so the integer is tested directly.)
inline std::int32_t negation(std::int32_t value) {
    return value == 0 ? 1 : 0;
}

// The write a notice for `changedPin` leads to, or none. "Out" is copied to
// "Mode" through a 32-bit float, so values beyond 2^24 arrive rounded, as the
// converter has always done.
inline std::optional<PinWrite> conversionFor(std::int32_t changedPin, PinValues values) {
    switch (changedPin) {
        case kModePin:
            return PinWrite{kOutPin, exclusiveOr(values.mode, values.invert)};
        case kInvertPin:
            if (!isBoolean(values.invert)) return std::nullopt;
            return PinWrite{kOutPin, negation(values.out)};
        case kOutPin:
            if (values.invert == 1) return PinWrite{kModePin, negation(values.out)};
            return PinWrite{kModePin, truncateSaturated(roundToSingle(values.out))};
        default:
            return std::nullopt;
    }
}

}  // namespace onoff
