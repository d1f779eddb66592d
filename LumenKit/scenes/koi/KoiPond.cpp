#include "LumenKit/scenes/koi/KoiPond.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumen::koi {

namespace {

constexpr int patterns[KoiPond::fishCount] = {0, 1, 2, 3, 0, 4, 1, 5, 2};

}  // namespace

KoiPond::KoiPond(std::uint64_t seed, float halfWidth_) : halfWidth(halfWidth_), rng(seed) {
    fish.reserve(fishCount);
    ripples.reserve(KoiPondLayout::maxRipples);
    for (int i = 0; i < fishCount; ++i) {
        float r[8];
        for (float& value : r) value = draw();
        Koi koi;
        const Float2 head{-0.7f * halfWidth + r[0] * 1.4f * halfWidth, r[1] * 1.4f - 0.7f};
        koi.heading = r[2] * 2.0f * std::numbers::pi_v<float>;
        koi.length = (r[3] * 0.16f + 0.34f) * (i == 0 ? 1.15f : 1.0f);
        const Float2 dir{std::cos(koi.heading), std::sin(koi.heading)};
        for (std::size_t k = 0; k < koi.spine.size(); ++k) {
            koi.spine[k] = head - dir * (koi.length / 7.0f * static_cast<float>(k));
        }
        koi.pattern = patterns[i];
        koi.speed = r[4] * 0.04f + 0.05f;
        koi.depth = r[5] * 0.55f + 0.05f;
        koi.wander = 2.0f * r[6] - 1.0f;
        koi.seed = r[7];
        fish.push_back(koi);
    }
}

void KoiPond::addRipple(Float2 at, float strength) {
    if (ripples.size() >= KoiPondLayout::maxRipples) ripples.erase(ripples.begin());
    ripples.push_back({at, time, strength});
}

void KoiPond::step(double dtIn, std::optional<Float2> food, float rain, float winter) {
    const double dt = std::clamp(dtIn, 0.0, maxStep);
    if (!(dt > 0)) return;
    time += dt;
    const float step = static_cast<float>(dt);
    for (std::size_t i = 0; i < fish.size(); ++i) swim(i, step, food, winter);

    std::erase_if(ripples, [&](const Ripple& r) { return time - r.born > rippleLifetime; });
    for (const Koi& koi : fish) {
        if (koi.depth < 0.15f && draw() < 0.04f * step) addRipple(koi.spine[0], 0.7f);
    }
    if (rain > 0) {
        rainCarry += rain * step * 9.0f;
        // The tolerance keeps float sums of decimal steps from falling just short of a whole drop.
        while (rainCarry >= 1.0f - 1e-4f) {
            const float x = (2.0f * draw() - 1.0f) * halfWidth;
            const float y = 2.0f * draw() - 1.0f;
            addRipple({x, y}, 0.3f + 0.4f * draw());
            rainCarry -= 1.0f;
        }
    }
}

}  // namespace lumen::koi
