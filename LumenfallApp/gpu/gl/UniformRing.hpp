#pragma once

// Internal: one uniform buffer that "bytes at slot n" are streamed through. Space is handed out in
// order, aligned to the driver's uniform offset alignment; each commit fences what it wrote, and
// space is reused only once its fence has signalled, so the driver never has to stall or copy.

#include "gpu/Result.hpp"

#include <cstddef>
#include <array>
#include <cstdint>
#include <vector>

namespace lumen::gpu::detail {

class UniformRing {
public:
    struct Slice {
        unsigned buffer = 0;
        std::size_t offset = 0;
        std::size_t size = 0;  // what to bind: the bytes rounded up to 16, zero padded
    };

    UniformRing(std::size_t capacity, std::size_t alignment);
    UniformRing(const UniformRing&) = delete;
    UniformRing& operator=(const UniformRing&) = delete;
    ~UniformRing();

    Result<Slice> push(const void* bytes, std::size_t size);
    // Marks the end of one command buffer's bytes.
    void fence();

    std::size_t capacity() const { return capacity_; }
    std::size_t alignment() const { return alignment_; }
    std::size_t waits() const { return waits_; }
    unsigned glName() const { return buffer_; }

private:
    struct Pending {
        void* sync = nullptr;
        std::uint64_t end = 0;
    };
    static constexpr std::size_t maxPending = 64;
    bool retireOldest(bool wait);
    Pending& oldest() { return pending_[first_]; }
    Pending& newest() { return pending_[(first_ + count_ - 1) % maxPending]; }

    unsigned buffer_ = 0;
    std::size_t capacity_;
    std::size_t alignment_;
    std::uint64_t head_ = 0;     // positions grow without bound; the buffer offset is position % capacity
    std::uint64_t retired_ = 0;  // everything before this position is free
    // Fences in commit order, oldest at first_: a fixed ring, since a queue that grows and
    // shrinks every frame would allocate.
    std::array<Pending, maxPending> pending_{};
    std::size_t first_ = 0;
    std::size_t count_ = 0;
    std::size_t waits_ = 0;
    std::vector<unsigned char> staging_;
};

}  // namespace lumen::gpu::detail
