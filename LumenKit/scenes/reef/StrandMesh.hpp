#pragma once

#include "LumenKit/core/Mesh.hpp"

namespace lumen::reef {

// The unit ribbon every kelp stalk and seagrass blade is drawn from: one metre wide (x from
// -0.5 to 0.5), one metre tall (y from 0 to 1), facing +z. The vertex shader scales it by the
// instance's width and height and sways it. Colour x = height along the strand, colour y = side
// (0 left, 1 right); the w lanes are 0.
struct StrandMesh {
    static constexpr int kelpSegments = 40;
    static constexpr int grassSegments = 4;

    // Fewer than one segment is treated as one.
    static Mesh build(int segments);
};

}  // namespace lumen::reef
