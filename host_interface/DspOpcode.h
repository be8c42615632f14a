#pragma once

#include <cstdint>

// DSP opcodes the host sends through the record's dispatcher entry. The
// dispatcher takes them as unsigned: anything above GetRoutineInfo is
// ignored, and so are 4, 5, 7, 9, 10 and 11.
enum class DspOpcode : std::uint32_t {
    Open = 0,             // onOpen: builds the pins
    Close = 1,            // onClose, then the instance deletes itself
    SetSampleRate = 2,    // float argument
    SetBlockSize = 3,     // value argument
    DescribePin = 6,      // describePin(index, pointer): 1 or 0
    Notify = 8,           // onNotify; onNotifyValue(index) when index > 0
    Command = 12,         // onCommand(value, index, pointer)
    GetRoutineInfo = 13,  // answers the address of the library's RoutineRefInfo
};

constexpr std::uint32_t kLastDspOpcode = static_cast<std::uint32_t>(DspOpcode::GetRoutineInfo);
