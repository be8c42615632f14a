#pragma once

#include <cstddef>
#include <cstdint>

#include "HostCallback.h"

struct SEGUI_base;
struct GuiInstanceRecord;

// The entry through which the host sends every GUI opcode to an instance.
using GuiDispatchEntry = ResultWord(QK_CDECL*)(GuiInstanceRecord* record, std::int32_t opcode,
                                               std::int32_t index, std::int32_t value,
                                               void* pointer, float floatValue);

// The record through which the host knows a GUI-side instance. It is
// embedded in the instance; its address is what makeModule hands out.
// 40 bytes of little-endian 32-bit words on the 32-bit builds.
struct GuiInstanceRecord {
    static constexpr std::uint32_t kMagic = 0x5345504D;  // bytes 4D 50 45 53
    static constexpr std::uint32_t kVersion = 1;

    std::uint32_t magic;               // kMagic
    std::uint32_t version;             // kVersion
    GuiDispatchEntry dispatcherEntry;  // guiDispatchEntry
    HostValue hostValue;               // the host's value from makeModule, never read
    SEGUI_base* object;                // the instance that embeds this record
    std::uint32_t reserved[5];         // zero
};

#if defined(__i386__)
static_assert(sizeof(GuiInstanceRecord) == 40);
static_assert(offsetof(GuiInstanceRecord, magic) == 0);
static_assert(offsetof(GuiInstanceRecord, version) == 4);
static_assert(offsetof(GuiInstanceRecord, dispatcherEntry) == 8);
static_assert(offsetof(GuiInstanceRecord, hostValue) == 12);
static_assert(offsetof(GuiInstanceRecord, object) == 16);
static_assert(offsetof(GuiInstanceRecord, reserved) == 20);
#endif
