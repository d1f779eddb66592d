#pragma once

#include "gpu/Gpu.hpp"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace lumen::app {

// Four buffers of per-frame instance records, written round-robin: with at most three frames in
// flight the slot being written is never one the GPU still reads. Grows with 50 % headroom.
class FrameRing {
public:
    FrameRing(gpu::Device& device, std::string label, std::size_t stride);

    // Copies this frame's records into the next slot and returns that buffer; null when the ring
    // could not be (re)allocated (the caller skips the draws that need it).
    gpu::Buffer* upload(const void* records, std::size_t count);
    template <class Record>
    gpu::Buffer* upload(std::span<const Record> records) {
        return upload(records.data(), records.size());
    }

    const std::vector<gpu::Buffer>& buffers() const { return buffers_; }
    int index() const { return index_; }
    std::size_t stride() const { return stride_; }
    // How many times the four buffers were (re)made; stays put in the steady state.
    int allocations() const { return allocations_; }

private:
    gpu::Device& device_;
    std::string label_;
    std::size_t stride_;
    std::vector<gpu::Buffer> buffers_;
    int index_ = 0;
    int allocations_ = 0;
};

}  // namespace lumen::app
