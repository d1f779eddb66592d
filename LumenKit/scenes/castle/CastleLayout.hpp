#pragma once

#include "LumenKit/scenes/castle/CastleTerrain.hpp"

#include <cstdint>
#include <vector>

namespace lumen::castle {

struct PlankBox {
    Float3 centre;
    Float3 size;
};

// Everything placed on the terrain: lanterns along the path, the dock and the forest.
struct CastleLayout {
    struct Tree {
        Float3 position;  // foot of the trunk
        float height = 0;
        float width = 0;
        int kind = 0;  // 0 conifer, 1 round
        float tint = 0;
        float phase = 0;
    };

    static constexpr std::uint64_t shippedSeed = 1888;

    explicit CastleLayout(std::uint64_t seed);

    CastleTerrain terrain;
    std::vector<Float3> lanterns;  // lamp centres
    std::vector<Tree> trees;
    std::vector<PlankBox> dock;
};

}  // namespace lumen::castle
