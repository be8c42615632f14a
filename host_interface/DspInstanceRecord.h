#pragma once

#include <cstddef>
#include <cstdint>

#include "DspEvent.h"
#include "HostCallback.h"
#include "RoutineRef.h"

class SEModule_base;
struct DspInstanceRecord;

// The entry through which the host sends every DSP opcode to an instance.
using DspDispatchEntry = ResultWord(QK_CDECL*)(DspInstanceRecord* record, std::int32_t opcode,
                                               std::int32_t index, std::int32_t value,
                                               void* pointer, float floatValue);

// The entry through which the host delivers events; its first argument is
// the object (the record's object word), not the record.
using DspEventEntry = void(QK_CDECL*)(SEModule_base* object, DspEvent* event);

// The record through which the host knows a DSP-side instance. It is
// embedded in the instance; its address is what makeModule hands out.
// 48 bytes of little-endian 32-bit words on the 32-bit builds.
struct DspInstanceRecord {
    static constexpr std::uint32_t kMagic = 0x5345504C;  // bytes 4C 50 45 53
    static constexpr std::uint32_t kVersion = 1;

    std::uint32_t magic;               // kMagic
    std::uint32_t version;             // kVersion
    HostValue hostValue;               // the host's value from makeModule, never read
    SEModule_base* object;             // the instance that embeds this record
    std::uint32_t reserved1;           // zero
    DspDispatchEntry dispatcherEntry;  // dspDispatchEntry
    ProcessRoutine processEntry;       // the current process routine's code address
    DspEventEntry eventEntry;          // dspEventEntry
    std::uint32_t reserved2[4];        // zero
};

#if defined(__i386__)
static_assert(sizeof(DspInstanceRecord) == 48);
static_assert(offsetof(DspInstanceRecord, magic) == 0);
static_assert(offsetof(DspInstanceRecord, version) == 4);
static_assert(offsetof(DspInstanceRecord, hostValue) == 8);
static_assert(offsetof(DspInstanceRecord, object) == 12);
static_assert(offsetof(DspInstanceRecord, reserved1) == 16);
static_assert(offsetof(DspInstanceRecord, dispatcherEntry) == 20);
static_assert(offsetof(DspInstanceRecord, processEntry) == 24);
static_assert(offsetof(DspInstanceRecord, eventEntry) == 28);
static_assert(offsetof(DspInstanceRecord, reserved2) == 32);
#endif
