#pragma once

#include <cstdint>

#include "WideText.h"

// One item of an enumeration list as an EnumList walk gives it.
struct EnumEntry {
    std::int32_t index = -1;  // position of the item, from 0; -1 once the walk has ended
    std::int32_t value = 0;   // the integer the item stands for
    WideString text;          // what the item shows: its label, or a range value in decimal
};
