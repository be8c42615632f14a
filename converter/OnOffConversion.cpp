#include "OnOffConversion.h"

#include <limits>

namespace onoff {
namespace {

bool isBoolean(std::int32_t value) { return value == 0 || value == 1; }

// "Mode" exclusive-or "Invert"; any value outside 0 and 1 gives 0.
std::int32_t exclusiveOr(std::int32_t mode, std::int32_t invert) {
    if (!isBoolean(mode) || !isBoolean(invert)) return 0;
    return mode != invert ? 1 : 0;
}

// The negation used for "Out": 0 becomes 1, anything else 0. (Its float
// is 0.0 exactly when the integer is 0, so the integer is tested directly.)
std::int32_t negation(std::int32_t value) { return value == 0 ? 1 : 0; }

// The integer rounded to a 32-bit float (nearest, ties to even). On 32-bit
// x86 the compiler may keep a float in an 80-bit x87 register, where the
// integer stays exact (the compiler used here does not round on a cast);
// storing it into a 32-bit float object forces the rounding on every build.
float roundToSingle(std::int32_t value) {
    volatile float stored = static_cast<float>(value);
    return stored;
}

}  // namespace

std::int32_t truncateSaturated(float value) {
    constexpr float kTwoTo31 = 2147483648.0f;
    if (value >= kTwoTo31) return std::numeric_limits<std::int32_t>::max();
    if (value < -kTwoTo31) return std::numeric_limits<std::int32_t>::min();
    if (value != value) return 0;  // not reachable from an integer; defined all the same
    return static_cast<std::int32_t>(value);
}

std::optional<PinWrite> conversionFor(std::int32_t changedPin, PinValues values) {
    // "Out" is judged and copied through a 32-bit float (nearest, ties to
    // even), so values beyond 2^24 arrive rounded, as the converter has
    // always done. It is 0.0 exactly when the integer is 0.
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
