#pragma once

#include <cstddef>

// Counts the program's allocations through the global operator new and
// delete, and makes one chosen allocation fail. Linking AllocationControl.cpp
// into a test program replaces those operators for the whole process: a
// plug-in opened with dlopen binds its operator new and delete to the
// program's (the program comes first in symbol lookup), so the plug-in's
// allocations are counted and can be made to fail as well.
namespace allocations {

// Allocations made since the program started.
std::size_t made();
// Allocations made and not yet freed.
std::size_t live();

}  // namespace allocations

// While it exists, the k-th allocation from its construction on (k >= 1)
// fails: operator new raises std::bad_alloc, its nothrow form answers null.
// Every other allocation succeeds. One at a time.
class FailingAllocation {
public:
    explicit FailingAllocation(std::size_t k);
    ~FailingAllocation();
    FailingAllocation(const FailingAllocation&) = delete;
    FailingAllocation& operator=(const FailingAllocation&) = delete;

    // Whether the k-th allocation was asked for, and so failed.
    bool failed() const;
};
