// KERNEL32's thread-local slots and last error. libgcc's thread support keeps
// the exception machinery's per-thread data in a slot, so these run on every
// first throw of a thread.
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "Shim.h"
#include "Win32.h"

namespace pe {
namespace {

using namespace win32;

// As many slots as Windows has (64 plus 1024 expansion slots). libgcc's
// emutls, linked into each mingw DLL, takes one slot per load and never
// frees it, so a host that reloads a DLL uses them up as it would on Windows.
constexpr Dword kSlots = 1088;
constexpr Dword kOutOfIndexes = 0xFFFFFFFF;

// Which slots are allocated, and each slot's generation: a value stored
// under an older generation reads as null, so freeing a slot clears it in
// every thread, as TlsFree does.
struct SlotTable {
    std::mutex mutex;
    std::array<bool, kSlots> taken{};
    std::array<std::atomic<std::uint32_t>, kSlots> generation{};
};

SlotTable& slots() {
    static SlotTable table;
    return table;
}

struct SlotValue {
    void* value;
    std::uint32_t generation;
};

thread_local std::array<SlotValue, kSlots> threadSlots{};
thread_local Dword lastError = 0;

[[gnu::stdcall, gnu::force_align_arg_pointer]] Dword GetLastError() {
    return lastError;
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] void SetLastError(Dword code) {
    lastError = code;
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] Dword TlsAlloc() {
    SlotTable& table = slots();
    std::lock_guard lock(table.mutex);
    for (Dword index = 0; index < kSlots; ++index) {
        if (table.taken[index]) continue;
        table.taken[index] = true;
        table.generation[index].fetch_add(1, std::memory_order_release);
        return index;
    }
    setLastError(ErrorCode::NotEnoughMemory);
    return kOutOfIndexes;
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] Bool TlsFree(Dword index) {
    SlotTable& table = slots();
    std::lock_guard lock(table.mutex);
    if (index >= kSlots || !table.taken[index]) {
        setLastError(ErrorCode::InvalidParameter);
        return kFalse;
    }
    table.taken[index] = false;
    table.generation[index].fetch_add(1, std::memory_order_release);
    return kTrue;
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] void* TlsGetValue(Dword index) {
    if (index >= kSlots) {
        setLastError(ErrorCode::InvalidParameter);
        return nullptr;
    }
    // Windows clears the last error on success; callers rely on it to tell
    // a stored null from a failure.
    setLastError(ErrorCode::Success);
    const SlotValue& slot = threadSlots[index];
    const std::uint32_t current = slots().generation[index].load(std::memory_order_acquire);
    return slot.generation == current ? slot.value : nullptr;
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] Bool TlsSetValue(Dword index, void* value) {
    if (index >= kSlots) {
        setLastError(ErrorCode::InvalidParameter);
        return kFalse;
    }
    threadSlots[index] =
        SlotValue{value, slots().generation[index].load(std::memory_order_acquire)};
    return kTrue;
}

const Shim kShims[] = {
    {"KERNEL32.dll", "GetLastError", shimAddress(GetLastError)},
    {"KERNEL32.dll", "SetLastError", shimAddress(SetLastError)},
    {"KERNEL32.dll", "TlsAlloc", shimAddress(TlsAlloc)},
    {"KERNEL32.dll", "TlsFree", shimAddress(TlsFree)},
    {"KERNEL32.dll", "TlsGetValue", shimAddress(TlsGetValue)},
    {"KERNEL32.dll", "TlsSetValue", shimAddress(TlsSetValue)},
};

}  // namespace

std::span<const Shim> kernel32TlsShims() {
    return kShims;
}

void win32::setLastError(ErrorCode code) {
    lastError = static_cast<Dword>(code);
}

}  // namespace pe
