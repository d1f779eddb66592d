// The lumenfall program's global operator new: the standard allocator plus one relaxed atomic
// increment, so `lumenfall bench` can tell whether a frame allocates. Linked into the executable
// only (see CMakeLists.txt); the deletes are replaced with it so both sides use malloc and free.

#include "app/AllocationCounter.hpp"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::uint64_t> allocations{0};

std::uint64_t allocationsSoFar() { return allocations.load(std::memory_order_relaxed); }

// Installed during static initialisation, before main reads it.
const bool hookInstalled = (lumen::app::heapAllocationCount = &allocationsSoFar, true);

void* allocate(std::size_t size, std::size_t alignment) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (size == 0) size = 1;
    for (;;) {
        void* memory = nullptr;
        if (alignment <= alignof(std::max_align_t)) {
            memory = std::malloc(size);
        } else if (posix_memalign(&memory, alignment, size) != 0) {
            memory = nullptr;
        }
        if (memory) return memory;
        // As the standard allocator does: the new-handler may free memory, else it is over.
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size, 0); }
void* operator new[](std::size_t size) { return allocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t alignment) {
    return allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size, 0);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size, 0);
    } catch (...) {
        return nullptr;
    }
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
