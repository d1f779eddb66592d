#pragma once

#include "LumenKit/core/Vector.hpp"

namespace lumen {

struct CameraPose {
    Float3 eye;
    Float3 target;
    Float3 up{0, 1, 0};

    bool operator==(const CameraPose&) const = default;
};

// A camera that wanders slowly round a rest position. Every display gets its own stretch of the
// scene (side by side, 7 m apart) and its own place in the wander; the pointer parallax nudges
// the eye sideways and upward.
struct CameraDrift {
    Float3 center;
    Float3 lookAt;
    Float2 parallaxReach;
    float floorY = 0;
    float ceilingY = 0;

    // Parallax components are clamped to [-1, 1] (NaN counts as 0). The eye stays 0.4 above
    // `floorY` and 0.5 below `ceilingY`, the ceiling winning when the two overlap.
    CameraPose pose(int displayIndex, double time, Float2 parallax) const;

    // Sideways offset of a display's view: 0, then -7, +7, -14, +14, ... metres.
    static float sideOffset(int displayIndex);
};

}  // namespace lumen
