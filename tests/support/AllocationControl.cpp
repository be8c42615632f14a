#include "AllocationControl.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> madeCount{0};
std::atomic<std::size_t> freedCount{0};
// 0: no failure armed; n: the n-th allocation from now fails.
std::atomic<std::size_t> untilFailure{0};
std::atomic<bool> failureHappened{false};

// Counts one allocation against the armed failure; true for the one to fail.
bool takeFailure() {
    std::size_t left = untilFailure.load();
    while (left != 0) {
        if (untilFailure.compare_exchange_weak(left, left - 1)) {
            if (left != 1) return false;
            failureHappened = true;
            return true;
        }
    }
    return false;
}

void* allocate(std::size_t size) noexcept {
    if (takeFailure()) return nullptr;
    void* memory = std::malloc(size == 0 ? 1 : size);
    if (memory != nullptr) madeCount.fetch_add(1, std::memory_order_relaxed);
    return memory;
}

void release(void* memory) noexcept {
    if (memory == nullptr) return;
    freedCount.fetch_add(1, std::memory_order_relaxed);
    std::free(memory);
}

void* allocateOrThrow(std::size_t size) {
    if (void* memory = allocate(size)) return memory;
    throw std::bad_alloc();
}

}  // namespace

namespace allocations {

std::size_t made() {
    return madeCount.load();
}
std::size_t live() {
    return madeCount.load() - freedCount.load();
}

}  // namespace allocations

FailingAllocation::FailingAllocation(std::size_t k) {
    failureHappened = false;
    untilFailure = k;
}

FailingAllocation::~FailingAllocation() {
    untilFailure = 0;
}

bool FailingAllocation::failed() const {
    return failureHappened;
}

// Every replaceable form but the over-aligned ones, which nothing here uses.
void* operator new(std::size_t size) {
    return allocateOrThrow(size);
}
void* operator new[](std::size_t size) {
    return allocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void operator delete(void* memory) noexcept {
    release(memory);
}
void operator delete[](void* memory) noexcept {
    release(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    release(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    release(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    release(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    release(memory);
}
