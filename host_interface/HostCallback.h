#pragma once

#include <cstdint>

#include "CallingConvention.h"

// The word a host call or an instance entry answers with. On the 32-bit
// builds it is exactly the 32-bit integer of the binary interface; on the
// 64-bit test build it is pointer-wide, so that the answers that carry an
// address (the text of GUI host opcode 7, the record of DSP opcode 13) fit.
using ResultWord = std::intptr_t;

// The host's opaque value from makeModule, kept in the instance record and
// never interpreted by the layer. Pointer-wide, as a host would pass one.
using HostValue = std::uintptr_t;

// The host's function for every request an instance makes:
// (instance record, opcode, index, value, pointer, float). The first argument
// is always the address of the calling instance's record, never the object.
// The float travels as a 4-byte single, never widened to a double.
using HostCallback = ResultWord(QK_CDECL*)(void* record, std::int32_t opcode, std::int32_t index,
                                           std::int32_t value, void* pointer, float floatValue);

// Host opcodes that GUI-side instances send.
enum class GuiHostOpcode : std::int32_t {
    WriteText = 6,      // index: pin; pointer: 8-bit text valid during the call
    ReadText = 7,       // index: pin; answers the address of 8-bit text
    Request8 = 8,       // index, value, pointer: the caller's
    ReadValue = 14,     // index: pin; pointer: 4-byte slot the host fills
    WriteValue = 15,    // index: pin; value: integer, or float argument
    ReadWideText = 17,  // index: pin; first answers n, then fills n units
    Request18 = 18,     // pointer: the caller's
    Request19 = 19,     // pointer: the caller's
    Query20 = 20,       // pointer: the caller's; non-zero means true
};

// Host opcodes that DSP-side instances send.
enum class DspHostOpcode : std::int32_t {
    PinRequest0 = 0,             // index: pin; value, pointer: the caller's
    PinQuery1 = 1,               // index: pin; non-zero means true
    Position = 3,                // answers an integer position
    PinRequest4 = 4,             // index: pin; value, pointer: the caller's
    PinInitialValue = 7,         // index: pin; answers the pin's initial word
    PinBufferPosition = 8,       // index: pin; answers an integer position
    Opened = 10,                 // sent by a module after its open
    PinCount = 14,               // answers the number of pins; 0 or less: none
    Event = 19,                  // pointer: a six-word event valid during the call
    ProcessRoutineChanged = 22,  // the record names a new process routine
};

constexpr std::int32_t toWord(GuiHostOpcode opcode) {
    return static_cast<std::int32_t>(opcode);
}
constexpr std::int32_t toWord(DspHostOpcode opcode) {
    return static_cast<std::int32_t>(opcode);
}

#if defined(__i386__)
static_assert(sizeof(ResultWord) == 4 && sizeof(HostValue) == 4 && sizeof(HostCallback) == 4,
              "every argument and result of the host callback is one 32-bit word");
#endif
static_assert(sizeof(float) == 4, "the float argument is a 4-byte single");
