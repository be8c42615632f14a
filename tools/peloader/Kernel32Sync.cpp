// KERNEL32's locks, semaphores and waits, on POSIX threads. libgcc's thread
// support builds its mutexes from semaphores, and mingw's start-up guards
// its TLS bookkeeping with critical sections.
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "Shim.h"
#include "Win32.h"

namespace pe {
namespace {

using namespace win32;

constexpr Dword kInfinite = 0xFFFFFFFF;
constexpr Dword kWaitObject0 = 0;
constexpr Dword kWaitTimeout = 0x102;
constexpr Dword kWaitFailed = 0xFFFFFFFF;

// CRITICAL_SECTION of 32-bit Windows: 24 bytes owned by the caller. A
// recursive POSIX mutex fits in them, so no memory is allocated and none
// leaks when a section is never deleted.
struct CriticalSection {
    std::uint32_t words[6];  // storage for the mutex
};
static_assert(sizeof(CriticalSection) == 24);
static_assert(sizeof(pthread_mutex_t) <= sizeof(CriticalSection));
static_assert(alignof(pthread_mutex_t) <= alignof(CriticalSection));

pthread_mutex_t* mutexIn(CriticalSection* section) {
    return reinterpret_cast<pthread_mutex_t*>(section);
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] void InitializeCriticalSection(
    CriticalSection* section) {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(mutexIn(section), &attributes);
    pthread_mutexattr_destroy(&attributes);
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] void DeleteCriticalSection(
    CriticalSection* section) {
    pthread_mutex_destroy(mutexIn(section));
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] void EnterCriticalSection(CriticalSection* section) {
    pthread_mutex_lock(mutexIn(section));
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] void LeaveCriticalSection(CriticalSection* section) {
    pthread_mutex_unlock(mutexIn(section));
}

struct Semaphore {
    std::mutex mutex;
    std::condition_variable released;
    std::int32_t count;
    std::int32_t maximum;
};

// Handles are numbers, never addresses, so a stale or forged one is refused
// instead of dereferenced; they are not reused.
struct HandleTable {
    std::mutex mutex;
    std::map<std::uintptr_t, std::shared_ptr<Semaphore>> semaphores;
    std::uintptr_t next = 0x1000;
};

HandleTable& handles() {
    static HandleTable table;
    return table;
}

std::shared_ptr<Semaphore> semaphore(Handle handle) {
    HandleTable& table = handles();
    std::lock_guard lock(table.mutex);
    const auto found = table.semaphores.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == table.semaphores.end() ? nullptr : found->second;
}

// Named semaphores are shared between processes; nothing here needs one.
[[gnu::stdcall, gnu::force_align_arg_pointer]] Handle CreateSemaphoreW(void* /*attributes*/,
                                                                       std::int32_t initial,
                                                                       std::int32_t maximum,
                                                                       const WideChar* name) {
    if (name != nullptr) {
        setLastError(ErrorCode::NotSupported);
        return nullptr;
    }
    if (maximum <= 0 || initial < 0 || initial > maximum) {
        setLastError(ErrorCode::InvalidParameter);
        return nullptr;
    }
    auto created = std::make_shared<Semaphore>();
    created->count = initial;
    created->maximum = maximum;
    HandleTable& table = handles();
    std::lock_guard lock(table.mutex);
    const std::uintptr_t handle = table.next;
    table.next += 4;
    table.semaphores.emplace(handle, std::move(created));
    return reinterpret_cast<Handle>(handle);
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] Bool ReleaseSemaphore(Handle handle,
                                                                     std::int32_t count,
                                                                     std::int32_t* previous) {
    const std::shared_ptr<Semaphore> target = semaphore(handle);
    if (target == nullptr) {
        setLastError(ErrorCode::InvalidHandle);
        return kFalse;
    }
    std::lock_guard lock(target->mutex);
    if (count <= 0 || count > target->maximum - target->count) {
        setLastError(ErrorCode::TooManyPosts);
        return kFalse;
    }
    if (previous != nullptr) *previous = target->count;
    target->count += count;
    target->released.notify_all();
    return kTrue;
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] Dword WaitForSingleObject(Handle handle,
                                                                         Dword milliseconds) {
    const std::shared_ptr<Semaphore> target = semaphore(handle);
    if (target == nullptr) {
        setLastError(ErrorCode::InvalidHandle);
        return kWaitFailed;
    }
    std::unique_lock lock(target->mutex);
    const auto available = [&] { return target->count > 0; };
    if (milliseconds == kInfinite) {
        target->released.wait(lock, available);
    } else if (!target->released.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                          available)) {
        return kWaitTimeout;
    }
    --target->count;
    return kWaitObject0;
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] Bool CloseHandle(Handle handle) {
    HandleTable& table = handles();
    std::lock_guard lock(table.mutex);
    if (table.semaphores.erase(reinterpret_cast<std::uintptr_t>(handle)) == 0) {
        setLastError(ErrorCode::InvalidHandle);
        return kFalse;
    }
    return kTrue;
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] void Sleep(Dword milliseconds) {
    if (milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    } while (milliseconds == kInfinite);
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] Dword GetCurrentThreadId() {
    return static_cast<Dword>(syscall(SYS_gettid));
}

const Shim kShims[] = {
    {"KERNEL32.dll", "CloseHandle", shimAddress(CloseHandle)},
    {"KERNEL32.dll", "CreateSemaphoreW", shimAddress(CreateSemaphoreW)},
    {"KERNEL32.dll", "DeleteCriticalSection", shimAddress(DeleteCriticalSection)},
    {"KERNEL32.dll", "EnterCriticalSection", shimAddress(EnterCriticalSection)},
    {"KERNEL32.dll", "GetCurrentThreadId", shimAddress(GetCurrentThreadId)},
    {"KERNEL32.dll", "InitializeCriticalSection", shimAddress(InitializeCriticalSection)},
    {"KERNEL32.dll", "LeaveCriticalSection", shimAddress(LeaveCriticalSection)},
    {"KERNEL32.dll", "ReleaseSemaphore", shimAddress(ReleaseSemaphore)},
    {"KERNEL32.dll", "Sleep", shimAddress(Sleep)},
    {"KERNEL32.dll", "WaitForSingleObject", shimAddress(WaitForSingleObject)},
};

}  // namespace

std::span<const Shim> kernel32SyncShims() {
    return kShims;
}

}  // namespace pe
