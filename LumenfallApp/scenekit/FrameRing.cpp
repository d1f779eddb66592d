#include "scenekit/FrameRing.hpp"

#include <algorithm>

namespace lumen::app {

namespace {
constexpr std::size_t ringDepth = 4;
}

FrameRing::FrameRing(gpu::Device& device, std::string label, std::size_t stride)
    : device_(device), label_(std::move(label)), stride_(stride) {
    buffers_.reserve(ringDepth);
}

gpu::Buffer* FrameRing::upload(const void* records, std::size_t count) {
    const std::size_t needed = std::max<std::size_t>(count, 1) * stride_;
    if (buffers_.size() != ringDepth || buffers_.front().size() < needed) {
        // Half again as much as needed, so a slowly growing count does not reallocate every frame.
        const std::size_t length = needed * 3 / 2;
        buffers_.clear();
        ++allocations_;
        gpu::BufferDescriptor descriptor;
        descriptor.size = length;
        descriptor.label = label_;
        for (std::size_t i = 0; i < ringDepth; ++i) {
            auto made = device_.makeBuffer(descriptor);
            // The ring keeps what was made; the next upload tries again.
            if (!made) return nullptr;
            buffers_.push_back(std::move(made.value()));
        }
    }
    index_ = (index_ + 1) % static_cast<int>(ringDepth);
    gpu::Buffer& buffer = buffers_[static_cast<std::size_t>(index_)];
    if (count > 0 && records != nullptr) {
        if (!buffer.replace(0, records, count * stride_)) return nullptr;
    }
    return &buffer;
}

}  // namespace lumen::app
