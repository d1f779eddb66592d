#pragma once

#include "gpu/PixelFormat.hpp"
#include "gpu/Result.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumen::gpu {

class Device;

enum class TextureType { type2D = 0, type2DMultisample, type3D };

enum class TextureUsage : unsigned {
    none = 0,  // means shaderRead
    shaderRead = 1,
    shaderWrite = 2,  // image load/store from compute
    renderTarget = 4,
};

constexpr TextureUsage operator|(TextureUsage a, TextureUsage b)
{
    return static_cast<TextureUsage>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool contains(TextureUsage set, TextureUsage flag)
{
    return (static_cast<unsigned>(set) & static_cast<unsigned>(flag)) != 0;
}

// Zero fields take defaults: format rgba8Unorm, depth 1, one mipmap level, one sample,
// usage shaderRead.
struct TextureDescriptor {
    TextureType type = TextureType::type2D;
    PixelFormat format = PixelFormat::invalid;
    int width = 0;
    int height = 0;
    int depth = 0;
    int mipmapLevelCount = 0;
    int sampleCount = 0;
    TextureUsage usage = TextureUsage::none;
    bool memoryless = false;  // a render-target-only renderbuffer; its contents never leave the pass
    std::string_view label;
};

// Texel rectangle (or box, for 3D); a zero extent means "to the edge of the level".
struct TextureRegion {
    int x = 0;
    int y = 0;
    int z = 0;
    int width = 0;
    int height = 0;
    int depth = 0;
};

// Row 0 of every upload and raw readback is texture row 0: t = 0 when sampling, the bottom row of
// a render target (GL's window origin is bottom-left).
class Texture {
public:
    static Result<Texture> create(Device& device, const TextureDescriptor& descriptor);

    Texture(Texture&& other) noexcept;
    Texture& operator=(Texture&& other) noexcept;
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;
    ~Texture();

    // Bytes are in the format's client layout (PixelFormatInfo); bytesPerRow and bytesPerImage of
    // 0 mean tightly packed.
    Result<void> replaceRegion(const TextureRegion& region, int level, const void* bytes,
                               std::size_t bytesPerRow = 0, std::size_t bytesPerImage = 0);
    // The whole level, tightly packed, every slice of a 3D texture in order.
    Result<std::vector<std::uint8_t>> readBytes(int level = 0) const;

    TextureType type() const { return type_; }
    PixelFormat format() const { return format_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int depth() const { return depth_; }
    int mipmapLevelCount() const { return levels_; }
    int sampleCount() const { return samples_; }
    TextureUsage usage() const { return usage_; }
    bool isMemoryless() const { return memoryless_; }
    const std::string& label() const { return label_; }
    int levelWidth(int level) const;
    int levelHeight(int level) const;
    int levelDepth(int level) const;

    // GL object: a renderbuffer when memoryless, else a texture bound at glTarget().
    unsigned glName() const { return name_; }
    unsigned glTarget() const;
    // Never reused within a run, unlike GL names; keys framebuffer caches.
    std::uint64_t serial() const { return serial_; }

private:
    Texture() = default;
    void release();

    unsigned name_ = 0;
    std::uint64_t serial_ = 0;
    TextureType type_ = TextureType::type2D;
    PixelFormat format_ = PixelFormat::invalid;
    int width_ = 0;
    int height_ = 0;
    int depth_ = 1;
    int levels_ = 1;
    int samples_ = 1;
    TextureUsage usage_ = TextureUsage::shaderRead;
    bool memoryless_ = false;
    std::string label_;
};

}  // namespace lumen::gpu
