#pragma once

#include <cstddef>

// Number of global operator new calls since the program started. The
// benchmarks report allocations per operation from the difference.
std::size_t allocationCount();
