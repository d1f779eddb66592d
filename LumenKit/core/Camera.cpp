#include "LumenKit/core/Camera.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumen {

namespace {

float clampUnit(float v) { return std::isnan(v) ? 0.0f : std::clamp(v, -1.0f, 1.0f); }

}  // namespace

float CameraDrift::sideOffset(int displayIndex) {
    if (displayIndex == 0) return 0.0f;
    const float step = displayIndex % 2 != 0 ? -7.0f : 7.0f;
    return step * static_cast<float>((displayIndex + 1) / 2);
}

CameraPose CameraDrift::pose(int displayIndex, double time, Float2 parallax) const {
    const Float2 p{clampUnit(parallax.x), clampUnit(parallax.y)};
    const Float3 c = center;
    const Float3 l = lookAt;
    // The divisors are periods in seconds; the wander runs in double so that long uptimes keep
    // their precision, and each display starts 47 s further along.
    const double w = 2.0 * std::numbers::pi * (time + 47.0 * static_cast<double>(displayIndex));
    const double o = sideOffset(displayIndex);

    Float3 eye{
        static_cast<float>(c.x + o + 2.6 * std::sin(w / 173.0) + 0.9 * std::sin(w / 71.0 + 1.3)),
        static_cast<float>(c.y + 0.55 * std::sin(w / 97.0 + 0.4) + 0.2 * std::sin(w / 41.0 + 2.0)),
        static_cast<float>(c.z + 1.3 * std::sin(w / 131.0 + 2.2) + 0.4 * std::sin(w / 59.0)),
    };
    const Float3 target{
        static_cast<float>(l.x + 1.4 * std::sin(w / 149.0 + 0.7) + 0.45 * (eye.x - c.x)),
        static_cast<float>(l.y + 0.35 * std::sin(w / 89.0 + 1.1)),
        static_cast<float>(l.z + std::sin(w / 113.0 + 0.2)),
    };

    const Float3 forward = normalize(target - eye);
    const Float3 right = normalize(cross(forward, Float3{0, 1, 0}));
    const Float3 upward = cross(right, forward);
    eye += right * (parallaxReach.x * p.x) + upward * (parallaxReach.y * p.y);
    eye.y = std::max(eye.y, floorY + 0.4f);
    eye.y = std::min(eye.y, ceilingY - 0.5f);

    return {eye, target, {0, 1, 0}};
}

}  // namespace lumen
