#pragma once

#include <cstdint>

// Two signed 32-bit integers, handed by value to the GUI operations of
// opcodes 3 to 5 (the dispatcher's index and value arguments).
struct IntPair {
    constexpr IntPair(std::int32_t firstValue, std::int32_t secondValue)
        : first(firstValue), second(secondValue) {}

    std::int32_t first;   // the dispatcher's index argument
    std::int32_t second;  // the dispatcher's value argument
};
