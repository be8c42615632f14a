#pragma once

#include <cstddef>
#include <cstdint>

// Event types the DSP side acts on; any other type is ignored.
enum class DspEventType : std::uint32_t {
    PinStatus = 0,     // pin `extra` takes `value` as its status
    Values = 2,        // onValuesEvent(stamp, value, low 16 bits of shortValue)
    CallRoutine = 21,  // the routine that `extra` stands for runs on the object
};

constexpr std::uint32_t toWord(DspEventType type) {
    return static_cast<std::uint32_t>(type);
}

// The event record the host delivers through the event entry and that
// sendEvent hands to the host: six little-endian 32-bit words, 24 bytes, on
// every build. It lives only for the call that carries it.
struct DspEvent {
    std::uint32_t stamp;       // set by the sender; first argument of onValuesEvent
    std::uint32_t type;        // a DspEventType
    std::uint32_t value;       // new pin status, or second argument of onValuesEvent
    std::uint32_t shortValue;  // low 16 bits: third argument of onValuesEvent
    std::uint32_t extra;       // pin index, or the token of the routine to call
    std::uint32_t reserved;    // 0 in every event the layer sends; never read
};

static_assert(sizeof(DspEvent) == 24);
static_assert(offsetof(DspEvent, stamp) == 0);
static_assert(offsetof(DspEvent, type) == 4);
static_assert(offsetof(DspEvent, value) == 8);
static_assert(offsetof(DspEvent, shortValue) == 12);
static_assert(offsetof(DspEvent, extra) == 16);
static_assert(offsetof(DspEvent, reserved) == 20);
