#pragma once

#include "LumenKit/core/SeededRandom.hpp"
#include "LumenKit/scenes/koi/Koi.hpp"
#include "LumenKit/scenes/koi/Ripple.hpp"

#include <cstdint>
#include <optional>
#include <vector>

namespace lumen::koi {

// Nine koi in a pond spanning x in [-halfWidth, halfWidth] and y in [-1, 1], and the ripples on
// its surface.
struct KoiPond {
    static constexpr int fishCount = 9;
    static constexpr double maxStep = 0.1;
    static constexpr double rippleLifetime = 6;

    float halfWidth = 1;
    std::vector<Koi> fish;
    std::vector<Ripple> ripples;
    double time = 0;
    SeededRandom rng;
    float rainCarry = 0;  // fractional raindrops carried to the next step

    KoiPond(std::uint64_t seed, float halfWidth);

    // One step of `dt` seconds (clamped to [0, 0.1]); `food` draws the fish, `rain` (0...1) rings
    // the water, `winter` (0 or 1) slows the fish and sends them deeper.
    void step(double dt, std::optional<Float2> food, float rain, float winter);
    // A ripple born now; the oldest goes when the pond already holds the most it keeps.
    void addRipple(Float2 at, float strength);

private:
    void swim(std::size_t index, float dt, std::optional<Float2> food, float winter);
    float draw() { return rng.uniform(0.0f, 1.0f); }
};

}  // namespace lumen::koi
