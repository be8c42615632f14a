#pragma once

#include <cstdint>
#include <vector>

#include "DspInstanceRecord.h"
#include "HostSession.h"
#include "PinDescription.h"
#include "PinInfo.h"

// More pins than any module of this format declares: a module that answers
// DSP opcode 6 for every index stops being asked here.
inline constexpr std::int32_t kMaxPins = 1024;

struct PinTable {
    std::vector<PinInfo> pins;
    bool endless = false;  // the module still answered at index kMaxPins
};

// Asks the DSP instance for pin 0, 1, ... with DSP opcode 6 on a zeroed
// record until it answers 0.
PinTable readPinTable(HostSession& session, DspInstanceRecord* dsp);

// The pin as a description record gives it, texts copied.
PinInfo pinFromDescription(std::int32_t index, const PinDescription& description);
