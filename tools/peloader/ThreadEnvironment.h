#pragma once

#include <cstddef>
#include <cstdint>

namespace pe {

// The part of a Windows thread environment block (TEB) that code from a
// mingw DLL reads through %fs. Its start-up code reads the block's own
// address at fs:0x18 and the stack base from it; TLS-using code finds its
// module's block through the pointer array at fs:0x2c.
struct ThreadEnvironmentBlock {
    std::uint32_t exceptionList;         // end of the SEH chain: 0xFFFFFFFF
    void* stackBase;                     // the thread's stack: highest address
    void* stackLimit;                    // the thread's stack: lowest address
    std::uint32_t subSystemTib;          // unused: 0
    std::uint32_t fiberData;             // unused: 0
    std::uint32_t arbitraryUserPointer;  // unused: 0
    ThreadEnvironmentBlock* self;        // this block, read as fs:0x18
    std::uint32_t environmentPointer;    // unused: 0
    std::uint32_t processId;             // the process's id
    std::uint32_t threadId;              // the loading thread's id
    std::uint32_t activeRpcHandle;       // unused: 0
    void** threadLocalStoragePointer;    // per-module TLS blocks, by the module's TLS index
    void* processEnvironmentBlock;       // a zeroed stand-in for the PEB
};

#if defined(__i386__)
static_assert(offsetof(ThreadEnvironmentBlock, stackBase) == 0x04);
static_assert(offsetof(ThreadEnvironmentBlock, self) == 0x18);
static_assert(offsetof(ThreadEnvironmentBlock, processId) == 0x20);
static_assert(offsetof(ThreadEnvironmentBlock, threadLocalStoragePointer) == 0x2C);
static_assert(offsetof(ThreadEnvironmentBlock, processEnvironmentBlock) == 0x30);
#endif

// The process's one fake TEB. Linux on i386 keeps its own thread pointer in
// %gs, so %fs is free: one LDT entry describes the block and %fs selects it.
// The block is made on first use and lives as long as the process; threads
// created afterwards inherit %fs and so share it (and the TLS blocks in it).
class ThreadEnvironment {
public:
    // Number of modules with TLS blocks that can be loaded at once.
    static constexpr std::uint32_t kTlsSlots = 64;

    // Creates the block on first use and loads %fs with it on this thread.
    // Throws PeError when the LDT entry cannot be installed.
    static void enter();

    // Gives a module's TLS block a slot in the block's pointer array; the
    // index is what the module's code uses. Throws PeError when all are taken.
    static std::uint32_t addTlsBlock(void* block);
    static void removeTlsBlock(std::uint32_t index);
};

}  // namespace pe
