#pragma once

#include <cstdint>
#include <optional>

#include "RoutineRef.h"

// How a routine travels in the 32-bit `extra` word of a call-routine event
// (DspEventType::CallRoutine): scheduleRoutine turns the routine into a token,
// and when the host delivers the event back, the instance turns the token
// into the routine again. 0 stands for "no routine" on every build.
//
// On the 32-bit builds the token is the routine's code address itself, which
// is what the host expects to find there. A 64-bit code address does not fit
// in 32 bits, so on the 64-bit build the token is the signed 32-bit distance
// of the routine from dspEventEntry: the code of one binary lies within
// +-2 GiB of itself. dspEventEntry is never a process routine, so no routine
// is at distance 0 and the token 0 stays free for "no routine".

// The token for `routine`, or nothing when the routine cannot travel in 32
// bits (only on the 64-bit build: code too far from the layer's own).
std::optional<std::uint32_t> tokenOfRoutine(ProcessRoutine routine);

// The routine a token stands for; null for the token 0.
ProcessRoutine routineOfToken(std::uint32_t token);
