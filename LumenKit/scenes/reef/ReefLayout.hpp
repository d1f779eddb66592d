#pragma once

#include "LumenKit/core/Box.hpp"
#include "LumenKit/scenes/reef/ReefTerrain.hpp"
#include "LumenKit/core/Vector.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumen::reef {

// What a reef item is. The raw values are shared with the mesh builders and the shaders, so
// new kinds go at the end.
enum class ReefKind : std::int32_t {
    rock,
    pinnacle,
    branching,
    boulder,
    table,
    anemone,
    fan,
    sponge,
    fingers,
    whip,
    softCoral,
    pillar,
    clam,
    lettuce,
    mushroom,
    seaStar,
};

inline constexpr int reefKindCount = 16;

// One rock, coral or critter of the reef, in metres and radians.
struct ReefItem {
    ReefKind kind = ReefKind::rock;
    Float3 position;  // base point on the ground or rock
    float size = 1.0f;
    float yaw = 0.0f;  // about +y
    int palette = 0;
    std::uint64_t seed = 0;  // for the item's mesh builder

    bool operator==(const ReefItem&) const = default;
};

// A sphere the fish steer around.
struct Obstacle {
    Float3 center;
    float radius = 0.0f;

    bool operator==(const Obstacle&) const = default;
};

// One kelp stalk or seagrass blade; the vertex shader scales and sways a unit ribbon with it.
struct Strand {
    Float3 base;
    float height = 0.0f;
    float width = 0.0f;
    float phase = 0.0f;  // radians
    float tint = 0.0f;   // 0 ... 1

    bool operator==(const Strand&) const = default;
};

// A big rock that corals grow on and the sand darkens around.
struct RockAnchor {
    Float3 center;
    float size = 0.0f;

    bool operator==(const RockAnchor&) const = default;
};

// The whole procedurally placed reef. The same seed gives the same lists bit for bit.
struct ReefLayout {
    static constexpr std::uint32_t shippedSeed = 2026;
    static constexpr int phaseCount = 13;

    Terrain terrain;
    std::vector<ReefItem> items;
    std::vector<Obstacle> obstacles;
    std::vector<Strand> kelp;
    std::vector<Strand> seagrass;
    Float3 anemoneHome;
    Box swimBounds{{-24.0f, 0.3f, -30.0f}, {24.0f, 11.0f, 6.5f}};

    // Rocks of the near and far groups, in placement order (corals sit on them, sand darkens
    // round them).
    std::vector<RockAnchor> rockAnchors;
    // Items added by each generation phase, phase 1 first.
    std::array<std::size_t, phaseCount> itemsPerPhase{};

    ReefLayout() = default;
    explicit ReefLayout(std::uint32_t seed);

    float height(float x, float z) const { return terrain.height(x, z); }

    // Generator helpers, public so the draw rules can be checked on their own.
    static ReefKind randomKind(float u);
    // (min, max) of a kind's size before scaling.
    static Float2 sizeRange(ReefKind kind);
    static float kindSize(ReefKind kind, float scale, float u);
};

}  // namespace lumen::reef
