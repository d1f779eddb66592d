#pragma once

#include "gpu/Result.hpp"

#include <cstddef>
#include <memory>
#include <string_view>

namespace lumen::gpu {

class Buffer;
class Device;
class Texture;

// Copies and mipmap generation between passes.
class BlitEncoder {
public:
    BlitEncoder(BlitEncoder&&) noexcept;
    BlitEncoder& operator=(BlitEncoder&&) noexcept;
    BlitEncoder(const BlitEncoder&) = delete;
    BlitEncoder& operator=(const BlitEncoder&) = delete;
    ~BlitEncoder();

    // Fills levels 1... from level 0.
    void generateMipmaps(const Texture& texture);
    // Whole level `level` of `source` into the same level of `destination`: same size and format.
    void copyTexture(const Texture& source, const Texture& destination, int level = 0);
    void copyBuffer(const Buffer& source, std::size_t sourceOffset, const Buffer& destination,
                    std::size_t destinationOffset, std::size_t size);

    void endEncoding();
    bool isEncoding() const;

private:
    friend class CommandBuffer;
    static Result<BlitEncoder> begin(Device& device, std::string_view label);
    BlitEncoder() = default;
    bool usable(std::string_view call) const;

    bool open_ = false;
};

}  // namespace lumen::gpu
