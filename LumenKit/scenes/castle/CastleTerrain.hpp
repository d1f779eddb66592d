#pragma once

#include "LumenKit/core/Vector.hpp"

#include <cstdint>
#include <vector>

namespace lumen::castle {

// Centre of the castle and of its hill (x, z), and the height of its ground floor.
inline constexpr Float2 castleSite{-10, -430};
inline constexpr float castleBaseHeight = 34;

struct PathPoint {
    float distance = 0;
    float height = 0;
};

// The land round the lake: far shore, castle hill, side hills, mountains and the near bank.
struct CastleTerrain {
    std::vector<Float3> path;
    std::uint32_t seed = 0;

    // The scene's terrain: the path from the gate to the dock, seed 9.
    static CastleTerrain shipped();

    static float shoreZ(float x);
    float height(float x, float z) const;
    Float3 normal(float x, float z, float e) const;
    PathPoint nearestPathPoint(float x, float z) const;
    float mountHeight(float x, float z) const;
};

}  // namespace lumen::castle
