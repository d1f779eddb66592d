#include "LumenKit/scenes/castle/CastleCamera.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumen::castle {

CastlePose CastleCamera::pose(int displayIndex, double t, Float2 parallax) const {
    const int i = displayIndex;
    float side = 0;
    if (i != 0) side = static_cast<float>((i + 1) / 2) * (i % 2 != 0 ? -1.0f : 1.0f);
    const double w = 2 * std::numbers::pi * (t + 61.0 * i);
    auto wave = [w](double period, double phase) { return static_cast<float>(std::sin(w / period + phase)); };

    Float3 e{eye.x + 12 * wave(211, 0) + 4 * wave(83, 1.2) + 110 * side,
             eye.y + 1.4f * wave(127, 0.5) + 0.4f * wave(47, 2.1), eye.z + 9 * wave(167, 2) + 35 * side};
    const Float3 g{target.x + 7 * wave(191, 0.9) + 0.35f * (e.x - eye.x), target.y + 3 * wave(149, 1.7), target.z};

    const Float2 p{std::clamp(parallax.x, -1.0f, 1.0f), std::clamp(parallax.y, -1.0f, 1.0f)};
    const Float3 f = normalize(g - e);
    const Float3 right = normalize(cross(f, {0, 1, 0}));
    e += right * (parallaxReach.x * p.x) + Float3{0, parallaxReach.y * p.y, 0};
    e.y = std::max(e.y, 2.5f);
    return {e, g};
}

}  // namespace lumen::castle
