#pragma once

#include "LumenKit/core/Vector.hpp"

#include <cstdint>

namespace lumen::reef {

// One simulated fish. The fish list keeps spawn order for its whole life, so an index names the
// same fish from step to step (the renderer interpolates by index).
struct Fish {
    Float3 position;  // metres
    Float3 velocity;  // m/s
    std::int32_t species = 0;  // row of the species table
    float tailPhase = 0;  // radians, [0, 2 pi)
    float size = 1;       // body scale, 0.85 ... 1.15
    float seed = 0;       // per-fish random value in [0, 1)

    bool operator==(const Fish&) const = default;
};

}  // namespace lumen::reef
