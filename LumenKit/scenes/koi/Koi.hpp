#pragma once

#include "LumenKit/core/Vector.hpp"
#include "LumenKit/scenes/koi/KoiPondLayout.hpp"

#include <array>

namespace lumen::koi {

// One fish: its spine from the head back, how it moves and how it looks.
struct Koi {
    std::array<Float2, KoiPondLayout::spinePoints> spine{};
    float heading = 0;  // radians
    float speed = 0;
    float length = 0;
    int pattern = 0;
    float wag = 0;     // tail phase, radians
    float depth = 0;   // 0 at the surface ... 1 deep
    float wander = 0;  // -1...1, slow random steering
    float seed = 0;    // 0...1, per-fish variety
};

}  // namespace lumen::koi
