#pragma once

#include <cstdint>

// GUI opcodes the host sends through the record's dispatcher entry. The
// dispatcher takes them as unsigned: anything above Opcode12 is ignored.
enum class GuiOpcode : std::uint32_t {
    Opcode0 = 0,     // boolean: index equals 1
    Close = 1,       // onClose, then the instance deletes itself
    Opcode2 = 2,     // index, pointer
    Opcode3 = 3,     // pointer, float bits, (index, value)
    Opcode4 = 4,     // as opcode 3
    Opcode5 = 5,     // as opcode 3
    Opcode6 = 6,     // value, index, pointer
    PinChanged = 7,  // the value of pin `index` has changed
    Opcode8 = 8,     // pointer
    Opcode9 = 9,     // pointer
    Query10 = 10,    // answers a boolean
    Opcode11 = 11,   // index
    Opcode12 = 12,   // index
};

constexpr std::uint32_t kLastGuiOpcode = static_cast<std::uint32_t>(GuiOpcode::Opcode12);
