#pragma once

#include <cstdint>
#include <vector>

namespace lumen::app {

// An 8-bit sRGB picture, rows top first, 4 bytes a pixel in memory order blue, green, red and a
// padding byte.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bgrx;
};

}  // namespace lumen::app
