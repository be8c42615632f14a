#include "ThreadEnvironment.h"

#include <asm/ldt.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "PeError.h"

namespace pe {
namespace {

constexpr unsigned kLdtEntry = 0;
// Selector: entry index, table indicator 1 (LDT), privilege level 3.
constexpr std::uint16_t kFsSelector = (kLdtEntry << 3) | 0x4 | 0x3;
constexpr std::size_t kBlockBytes = 4096;
constexpr std::size_t kTlsArrayOffset = 0x800;
constexpr std::size_t kProcessBlockOffset = 0xC00;

// The page with the TEB, its TLS pointer array and the PEB stand-in, and
// which TLS slots are taken. Guarded by `mutex`.
struct Environment {
    std::mutex mutex;
    ThreadEnvironmentBlock* block = nullptr;
    std::array<bool, ThreadEnvironment::kTlsSlots> slotTaken{};
};

Environment& environment() {
    static Environment instance;
    return instance;
}

void describeStack(ThreadEnvironmentBlock& block) {
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0) return;
    void* lowest = nullptr;
    std::size_t size = 0;
    if (pthread_attr_getstack(&attributes, &lowest, &size) == 0) {
        block.stackLimit = lowest;
        block.stackBase = static_cast<char*>(lowest) + size;
    }
    pthread_attr_destroy(&attributes);
}

ThreadEnvironmentBlock* createBlock() {
    void* page =
        mmap(nullptr, kBlockBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) {
        throw PeError(std::string("cannot map the thread environment block: ") +
                      std::strerror(errno));
    }
    auto* bytes = static_cast<std::uint8_t*>(page);
    auto* block = static_cast<ThreadEnvironmentBlock*>(page);
    block->exceptionList = 0xFFFFFFFFu;
    block->self = block;
    block->processId = static_cast<std::uint32_t>(getpid());
    block->threadId = static_cast<std::uint32_t>(syscall(SYS_gettid));
    block->threadLocalStoragePointer = reinterpret_cast<void**>(bytes + kTlsArrayOffset);
    block->processEnvironmentBlock = bytes + kProcessBlockOffset;
    describeStack(*block);

    user_desc descriptor{};
    descriptor.entry_number = kLdtEntry;
    descriptor.base_addr = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(page));
    descriptor.limit = kBlockBytes - 1;
    descriptor.seg_32bit = 1;
    descriptor.useable = 1;
    if (syscall(SYS_modify_ldt, 1, &descriptor, sizeof descriptor) != 0) {
        const int error = errno;
        munmap(page, kBlockBytes);
        throw PeError(std::string("cannot install the thread environment block (modify_ldt): ") +
                      std::strerror(error));
    }
    return block;
}

}  // namespace

void ThreadEnvironment::enter() {
    Environment& env = environment();
    {
        std::lock_guard lock(env.mutex);
        if (env.block == nullptr) env.block = createBlock();
    }
    asm volatile("movw %0, %%fs" : : "r"(kFsSelector));
}

std::uint32_t ThreadEnvironment::addTlsBlock(void* tlsBlock) {
    Environment& env = environment();
    std::lock_guard lock(env.mutex);
    if (env.block == nullptr) env.block = createBlock();
    for (std::uint32_t index = 0; index < kTlsSlots; ++index) {
        if (env.slotTaken[index]) continue;
        env.slotTaken[index] = true;
        env.block->threadLocalStoragePointer[index] = tlsBlock;
        return index;
    }
    throw PeError("no free TLS slot: " + std::to_string(kTlsSlots) +
                  " modules with TLS are loaded");
}

void ThreadEnvironment::removeTlsBlock(std::uint32_t index) {
    Environment& env = environment();
    std::lock_guard lock(env.mutex);
    if (env.block == nullptr || index >= kTlsSlots) return;
    env.slotTaken[index] = false;
    env.block->threadLocalStoragePointer[index] = nullptr;
}

}  // namespace pe
