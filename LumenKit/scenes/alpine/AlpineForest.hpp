#pragma once

#include "LumenKit/core/Vector.hpp"

#include <cstdint>
#include <functional>
#include <vector>

namespace lumen::alpine {

// Spruces on the shores and slopes in front of the camera, below the tree line.
namespace AlpineForest {

struct Tree {
    Float3 position;  // trunk base, sunk slightly into the ground
    float height = 0;
    float width = 0;  // crown radius
    float tint = 0;   // 0...1
    float phase = 0;  // sway, 0...2 pi
    bool operator==(const Tree&) const = default;
};

using HeightFunction = std::function<float(float x, float z)>;

// The tree line at (x, z), metres.
float treeLine(float x, float z);
std::vector<Tree> trees(float radius, std::uint64_t seed, int maxCount, const HeightFunction& height);

}  // namespace AlpineForest

}  // namespace lumen::alpine
