#pragma once

#include <cstddef>
#include <cstdint>

#include "CallingConvention.h"

class SEModule_base;

// A member routine of a DSP module, as a code address: it runs on the module
// object and takes nothing else. The record's process entry holds one; the
// host may pass further arguments, which a cdecl routine safely ignores.
using ProcessRoutine = void(QK_CDECL*)(SEModule_base* object);

// A reference to a member routine of the module: four 32-bit words on the
// 32-bit builds (the code address pointer-wide on the 64-bit test build).
struct RoutineRef {
    ProcessRoutine code;       // code address of the routine; null means no routine
    std::int32_t adjustment;   // byte offset added to the object's address
    std::uint32_t further[2];  // copied and compared, no other meaning
};

// The one record per library that DSP opcode 13 fills and answers with.
struct RoutineRefInfo {
    std::uint32_t one;      // 1
    std::uint32_t refSize;  // 16, the size of a RoutineRef on the 32-bit builds
    RoutineRef* routine;    // processRoutine of the instance asked last
    std::uint32_t zero;     // 0
};

#if defined(__i386__)
static_assert(sizeof(RoutineRef) == 16);
static_assert(offsetof(RoutineRef, code) == 0);
static_assert(offsetof(RoutineRef, adjustment) == 4);
static_assert(offsetof(RoutineRef, further) == 8);
static_assert(sizeof(RoutineRefInfo) == 16);
static_assert(offsetof(RoutineRefInfo, one) == 0);
static_assert(offsetof(RoutineRefInfo, refSize) == 4);
static_assert(offsetof(RoutineRefInfo, routine) == 8);
static_assert(offsetof(RoutineRefInfo, zero) == 12);
#endif
