#pragma once

#include <cstddef>
#include <cstdint>

// Direction codes; passed to the host, never looked at by the layer.
enum class PinDirection : std::int32_t {
    In = 0,   // an input pin
    Out = 1,  // an output pin
};

// Datatype codes. For a pin without a value pointer of its own, the comment
// says what the pin's storage holds after open; other codes get no storage.
enum class PinDatatype : std::int32_t {
    Enum16 = 0,      // list value: first two bytes of storage, set to 0
    Bool8 = 4,       // boolean: first byte of storage, set to 0
    HostWord32 = 5,  // 32-bit word: the host's answer to host opcode 7
    Float32 = 6,     // float: set to 0.0
    Int32 = 8,       // integer: set to 0
};

// Bits of PinDescription::flags the layer looks at; others reach the host.
enum class PinFlags : std::uint32_t {
    None = 0,
    RepeatLast = 0x8,  // the last description serves every further pin
    GuiSide = 0x400,   // served on the GUI side: no DSP pin object
    AlsoDsp = 0x8000,  // a GuiSide pin that gets a DSP pin object all the same
};

constexpr PinFlags operator|(PinFlags a, PinFlags b) {
    return static_cast<PinFlags>(static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b));
}
constexpr std::uint32_t toWord(PinFlags flags) {
    return static_cast<std::uint32_t>(flags);
}
constexpr bool hasFlag(std::uint32_t flags, PinFlags flag) {
    return (flags & toWord(flag)) != 0;
}

// The description of one pin: filled by a module's describePin, read by the
// host for DSP opcode 6 and by the layer at open. 32 bytes on the 32-bit
// builds. The texts it points to are static constants of the library.
struct PinDescription {
    void* valuePointer;       // the module's variable for the value, or null: the pin's own storage
    std::int32_t direction;   // a PinDirection
    std::int32_t datatype;    // a PinDatatype
    const char* name;         // the pin's name, 8-bit zero-terminated
    std::uint32_t reserved1;  // left 0
    const char* listText;     // for Enum16 pins: the list text, 8-bit zero-terminated
    std::uint32_t flags;      // PinFlags bits
    std::uint32_t reserved2;  // left 0
};

#if defined(__i386__)
static_assert(sizeof(PinDescription) == 32);
static_assert(offsetof(PinDescription, valuePointer) == 0);
static_assert(offsetof(PinDescription, direction) == 4);
static_assert(offsetof(PinDescription, datatype) == 8);
static_assert(offsetof(PinDescription, name) == 12);
static_assert(offsetof(PinDescription, reserved1) == 16);
static_assert(offsetof(PinDescription, listText) == 20);
static_assert(offsetof(PinDescription, flags) == 24);
static_assert(offsetof(PinDescription, reserved2) == 28);
#endif
