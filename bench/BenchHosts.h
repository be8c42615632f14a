#pragma once

#include <cstdint>
#include <cstring>

#include "GuiInstanceRecord.h"
#include "HostCallback.h"

// The hosts the notice benchmarks run against: the cost of a notice is
// measured against the same host calls made directly.
namespace benchhosts {

// A minimal host: three pin values; reads fill the cell, writes store.
inline std::int32_t hostPins[3] = {1, 0, 0};

inline ResultWord QK_CDECL minimalHost(void*, std::int32_t opcode, std::int32_t index,
                                       std::int32_t value, void* pointer, float) {
    if (index < 0 || index > 2) return 0;
    if (opcode == 14) std::memcpy(pointer, &hostPins[index], sizeof(std::int32_t));
    if (opcode == 15) hostPins[index] = value;
    return 0;
}

// A host closer to a real one: it finds the instance's pin store through the
// record's host value and checks each pin index against the store's size.
struct PinStore {
    std::int32_t values[8] = {1, 0, 0};
    std::int32_t count = 3;
};

inline ResultWord QK_CDECL storeHost(void* record, std::int32_t opcode, std::int32_t index,
                                     std::int32_t value, void* pointer, float) {
    auto* store = reinterpret_cast<PinStore*>(static_cast<GuiInstanceRecord*>(record)->hostValue);
    if (index < 0 || index >= store->count) return 0;
    switch (opcode) {
        case 14:
            std::memcpy(pointer, &store->values[index], sizeof(std::int32_t));
            return 0;
        case 15:
            store->values[index] = value;
            return 0;
        default:
            return 0;
    }
}

}  // namespace benchhosts
