#pragma once

#include "LumenKit/core/Vector.hpp"

#include <cstdint>

namespace lumen::reef {

// The reef's sand floor: gentle noise, a mound in front of the main rocks, and a slope that
// rises towards the back.
struct Terrain {
    std::uint32_t seed = 0;
    Float2 moundCenter{0.0f, -5.0f};

    bool operator==(const Terrain&) const = default;

    // Ground height in metres at (x, z).
    float height(float x, float z) const;
};

}  // namespace lumen::reef
