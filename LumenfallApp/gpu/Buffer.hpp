#pragma once

#include "gpu/Result.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumen::gpu {

class Device;

struct BufferDescriptor {
    std::size_t size = 0;            // bytes; must be at least 1
    const void* contents = nullptr;  // when set, `size` bytes are copied in; otherwise zero-filled
    std::string_view label;
};

// GPU memory the shaders see as a storage block (std430) or an index list. CPU writes go through
// replace(); the GL keeps earlier draws reading the old bytes, so a write never races the GPU.
class Buffer {
public:
    static Result<Buffer> create(Device& device, const BufferDescriptor& descriptor);

    Buffer(Buffer&& other) noexcept;
    Buffer& operator=(Buffer&& other) noexcept;
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    ~Buffer();

    // Copies `count` bytes to `offset`; out of range is an error and writes nothing.
    Result<void> replace(std::size_t offset, const void* bytes, std::size_t count);
    // Reads `count` bytes from `offset` (0 = to the end). Waits for the GPU writes before it.
    Result<std::vector<std::uint8_t>> read(std::size_t offset = 0, std::size_t count = 0) const;

    std::size_t size() const { return size_; }
    const std::string& label() const { return label_; }
    unsigned glName() const { return name_; }

private:
    Buffer(unsigned name, std::size_t size, std::string label);
    void release();

    unsigned name_ = 0;
    std::size_t size_ = 0;
    std::string label_;
};

}  // namespace lumen::gpu
