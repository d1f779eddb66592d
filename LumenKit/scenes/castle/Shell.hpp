#pragma once

#include "LumenKit/core/Vector.hpp"

#include <cstdint>

namespace lumen::castle {

enum class FireworkPace { often = 0, sometimes = 1, off = 2 };

enum class ShellKind { peony = 0, chrysanthemum, willow, ring, palm, crackle };

// One rocket: its launch, its burst and the stars the shaders animate from it.
struct Shell {
    double launchTime = 0;
    Float3 origin;  // on the ground, y = 0
    Float3 burst;
    float riseDuration = 0;
    ShellKind kind = ShellKind::peony;
    Float3 colorA;
    Float3 colorB;
    int starCount = 0;
    float speed = 0;
    float drag = 0;
    float life = 0;
    float trail = 0;
    std::uint32_t seed = 0;

    // The first time at which nothing of the shell is left on screen.
    double endTime() const { return launchTime + riseDuration + life + trail + 0.2; }
    bool aliveAt(double t) const { return launchTime <= t && t < endTime(); }
    // Seconds since the burst; negative while the rocket still rises.
    double burstAge(double t) const { return t - (launchTime + riseDuration); }
};

}  // namespace lumen::castle
