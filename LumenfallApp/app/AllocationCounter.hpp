#pragma once

#include <cstdint>

namespace lumen::app {

// Heap allocations made by the process so far (every global operator new, on any thread), where
// the program counts them: the lumenfall executable links a counting operator new
// (AllocationCounter.cpp) that sets this hook before main. Tests and libraries keep the standard
// allocator, and for them it stays null.
using HeapAllocationCount = std::uint64_t (*)();
inline HeapAllocationCount heapAllocationCount = nullptr;

}  // namespace lumen::app
