#pragma once

#include "gpu/Result.hpp"

#include <array>
#include <cstdint>
#include <vector>

namespace lumen::gpu {

class Device;
class Texture;

// 8-bit RGBA pixels in image order: the top row first (GL keeps the bottom row first).
struct ImageRGBA8 {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    // (x, y) with y counted from the top.
    std::array<std::uint8_t, 4> pixel(int x, int y) const;
};

// Reads one level of a 2D colour texture as RGBA8, whatever its format: float channels are
// clamped to [0, 1], missing channels read as 0 (alpha 1), bgra8Unorm comes back as R, G, B, A,
// sRGB textures as stored (encoded), the way an image file holds them.
// A multisample texture is resolved first. Waits for the GPU work that writes the texture.
Result<ImageRGBA8> readImageRGBA8(Device& device, const Texture& texture, int level = 0);

}  // namespace lumen::gpu
