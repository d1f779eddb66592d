#pragma once

#include "LumenKit/core/Vector.hpp"

namespace lumen::alpine {

// The slowly drifting viewpoint on the lake's southern shore.
struct AlpineCamera {
    struct Pose {
        Float3 eye;
        Float3 forward;
        Float4x4 view;
    };

    Float3 eye{0, 3, 0};
    Float2 parallaxReach{2.2f, 0.8f};

    // Each further display looks 0.85 rad further left or right, alternately.
    static float displayYaw(int displayIndex);
    Pose pose(double time, int displayIndex, Float2 pointer) const;
};

}  // namespace lumen::alpine
