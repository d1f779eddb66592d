#include "LumenKit/scenes/reef/ReefLayout.hpp"

#include "LumenKit/core/SeededRandom.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <utility>

namespace lumen::reef {

namespace {

constexpr float turn = 6.28f;

struct RockSpot {
    float x, z, size;
};

constexpr std::array<RockSpot, 14> nearRocks{{
    {-0.8f, -5.2f, 2.5f},
    {2.2f, -6.6f, 2.2f},
    {-3.6f, -7.0f, 2.1f},
    {4.6f, -4.6f, 1.6f},
    {-5.4f, -4.2f, 1.5f},
    {0.6f, -8.8f, 2.3f},
    {-1.6f, -2.6f, 1.3f},
    {6.6f, -8.2f, 1.9f},
    {-7.2f, -8.0f, 1.9f},
    {2.6f, -2.4f, 1.1f},
    {-3.0f, -10.4f, 1.8f},
    {4.0f, -10.8f, 1.7f},
    {8.4f, -5.6f, 1.3f},
    {-8.8f, -5.0f, 1.3f},
}};

constexpr std::array<RockSpot, 9> farRocks{{
    {-13.0f, -9.0f, 2.0f},
    {-11.0f, -13.5f, 1.6f},
    {13.0f, -10.0f, 2.1f},
    {15.5f, -15.0f, 1.6f},
    {-17.0f, -17.0f, 2.3f},
    {18.0f, -19.0f, 2.4f},
    {9.5f, -17.5f, 1.7f},
    {-6.5f, -15.5f, 1.8f},
    {1.5f, -16.5f, 2.0f},
}};

constexpr std::array<ReefKind, 8> encrustingKinds{
    ReefKind::boulder, ReefKind::fingers, ReefKind::branching, ReefKind::softCoral,
    ReefKind::boulder, ReefKind::pillar,  ReefKind::fingers,   ReefKind::lettuce,
};

struct PinnacleSpot {
    float x, z, size, yaw;
};

constexpr std::array<PinnacleSpot, 7> pinnacles{{
    {-30.0f, -38.0f, 3.5f, 9.0f},
    {-18.0f, -46.0f, 4.0f, 11.0f},
    {-4.0f, -52.0f, 3.0f, 7.0f},
    {12.0f, -47.0f, 4.5f, 12.0f},
    {27.0f, -40.0f, 3.8f, 9.5f},
    {36.0f, -30.0f, 3.0f, 7.0f},
    {-38.0f, -26.0f, 3.2f, 6.5f},
}};

struct StrandPatch {
    Float2 centre;
    Float2 extent;  // kelp: half-extent in x and z; seagrass: radius in x
    int count;
};

constexpr std::array<StrandPatch, 5> kelpGroups{{
    {{-19.0f, -27.0f}, {6.0f, 5.0f}, 13},
    {{20.0f, -29.0f}, {6.0f, 5.0f}, 13},
    {{2.0f, -42.0f}, {9.0f, 4.0f}, 10},
    {{-29.0f, -13.0f}, {4.0f, 5.0f}, 6},
    {{30.0f, -15.0f}, {4.0f, 5.0f}, 6},
}};

constexpr std::array<StrandPatch, 5> grassPatches{{
    {{-5.2f, 1.2f}, {2.0f, 0.0f}, 230},
    {{5.4f, 0.6f}, {2.0f, 0.0f}, 230},
    {{-0.6f, 0.2f}, {1.3f, 0.0f}, 90},
    {{10.5f, -3.0f}, {2.2f, 0.0f}, 160},
    {{-11.0f, -2.5f}, {2.2f, 0.0f}, 160},
}};

struct ForegroundCoral {
    float x, z;
    ReefKind kind;
    float size;
    int palette;
};

constexpr std::array<ForegroundCoral, 7> foregroundCorals{{
    {-3.6f, 3.0f, ReefKind::fingers, 0.8f, 3},
    {4.4f, 3.2f, ReefKind::branching, 0.9f, 0},
    {-5.6f, 4.6f, ReefKind::boulder, 0.7f, 1},
    {-4.8f, 1.6f, ReefKind::branching, 0.8f, 4},
    {5.8f, 4.4f, ReefKind::fingers, 0.7f, 0},
    {-1.4f, 1.2f, ReefKind::sponge, 0.6f, 2},
    {2.2f, 0.8f, ReefKind::fingers, 0.6f, 5},
}};

constexpr std::array<Float2, 4> clamSpots{{{-2.6f, -1.0f}, {3.6f, -1.6f}, {-6.6f, -2.4f}, {1.2f, -12.6f}}};

// Runs the phases in their fixed order; every random number comes from `random`, so the draw
// order below is the layout.
class Generator {
public:
    Generator(ReefLayout& layout, std::uint32_t seed) : out(layout), random(seed) {}

    void run() {
        phase(0, [&] { placeNearRocks(); });
        phase(1, [&] { placeNearCorals(); });
        phase(2, [&] { placeAnemone(); });
        phase(3, [&] { scatterOnSand(); });
        phase(4, [&] { placeLandmarks(); });
        phase(5, [&] { placeFarRocks(); });
        phase(6, [&] { encrustRocks(); });
        phase(7, [&] { placePinnacles(); });
        phase(8, [&] { plantKelp(); });
        phase(9, [&] { placeForegroundCorals(); });
        phase(10, [&] { placeClams(); });
        phase(11, [&] { placeCritters(); });
        phase(12, [&] { plantSeagrass(); });
    }

private:
    ReefLayout& out;
    SeededRandom random;

    template <typename Body>
    void phase(std::size_t index, Body body) {
        const std::size_t before = out.items.size();
        body();
        out.itemsPerPhase[index] = out.items.size() - before;
    }

    float u() { return random.uniform(0.0f, 1.0f); }
    float height(float x, float z) const { return out.terrain.height(x, z); }
    float drawYaw() { return turn * u(); }
    int drawPalette(std::uint64_t modulus) { return static_cast<int>(random.next() % modulus); }
    int drawPaletteMasked() { return static_cast<int>(random.next() & 3u); }

    float kindSize(ReefKind kind, float scale) { return ReefLayout::kindSize(kind, scale, u()); }

    Float3 pointOn(Float3 centre, float radius, float spread) {
        const float u1 = u();
        const float u2 = u();
        const float r = radius * spread * std::sqrt(u2);
        const float theta = turn * u1;
        const float cap = 0.7f * std::sqrt(std::max(radius * radius - r * r, 0.0f));
        return {centre.x + r * std::cos(theta), centre.y + 0.12f * radius + cap - 0.08f,
                centre.z + r * std::sin(theta)};
    }

    Float3 pointOnAnchor(std::size_t anchor, float spread) {
        const RockAnchor& rock = out.rockAnchors[anchor];
        return pointOn(rock.center, rock.size, spread);
    }

    void addObstacle(const ReefItem& item) {
        out.obstacles.push_back({item.position + Float3{0.0f, 0.12f * item.size, 0.0f}, 0.92f * item.size});
    }

    // Yaw and seed drawn, palette left at 0, with the standard obstacle.
    void addItem(ReefKind kind, Float3 position, float size) {
        ReefItem item{kind, position, size, 0.0f, 0, 0};
        item.yaw = drawYaw();
        item.seed = random.next();
        out.items.push_back(item);
        addObstacle(item);
    }

    ReefItem addRock(Float3 centre, float size) {
        ReefItem rock{ReefKind::rock, centre, size, 0.0f, 0, 0};
        rock.yaw = drawYaw();
        rock.palette = drawPalette(3);
        rock.seed = random.next();
        out.items.push_back(rock);
        addObstacle(rock);
        return rock;
    }

    void addAnchoredRock(Float3 centre, float size) {
        addRock(centre, size);
        out.rockAnchors.push_back({centre, size});
    }

    void addCoralOnAnchor(std::size_t anchor, float spread, float sizeFactor) {
        const ReefKind kind = ReefLayout::randomKind(u());
        const Float3 position = pointOnAnchor(anchor, spread);
        const float size = kindSize(kind, 1.0f) * sizeFactor;
        addItem(kind, position, size);
    }

    bool nearAnchor(float x, float z, float reach) const {
        for (const RockAnchor& rock : out.rockAnchors) {
            const float dx = x - rock.center.x, dz = z - rock.center.z;
            if (std::sqrt(dx * dx + dz * dz) < reach * rock.size) return true;
        }
        return false;
    }

    void placeNearRocks() {
        for (const RockSpot& spot : nearRocks) {
            const float x = spot.x + (u() * 0.5f - 0.25f);
            const float z = spot.z + (u() * 0.5f - 0.25f);
            const float size = spot.size * (0.92f + 0.16f * u());
            addAnchoredRock({x, height(x, z) - 0.5f * size, z}, size);
        }
    }

    void placeNearCorals() {
        for (std::size_t rock = 0; rock < nearRocks.size(); ++rock) {
            const int count = static_cast<int>(out.rockAnchors[rock].size * 2.6f);
            for (int i = 0; i < count; ++i) addCoralOnAnchor(rock, 0.85f, 0.85f);
        }
    }

    // No obstacle here: the clownfish's home sits just above the anemone and they must be able
    // to reach it.
    void placeAnemone() {
        const Float3 point = pointOnAnchor(9, 0.35f);
        ReefItem anemone{ReefKind::anemone, point, 0.9f, 0.0f, 0, 0};
        anemone.seed = random.next();
        out.items.push_back(anemone);
        out.anemoneHome = point + Float3{0.0f, 0.6f, 0.0f};
    }

    void scatterOnSand() {
        int placed = 0;
        while (placed < 80) {
            const float theta = turn * u();
            const float d = 3.5f + 9.0f * std::pow(u(), 1.4f);
            const float x = 1.25f * d * std::cos(theta);
            const float z = 0.7f * d * std::sin(theta) - 5.5f;
            if (z >= 1.5f || nearAnchor(x, z, 0.8f)) continue;
            const ReefKind kind = ReefLayout::randomKind(u());
            const float scale = 0.45f + 0.4f * u();
            const float size = kindSize(kind, scale);
            addItem(kind, {x, height(x, z) - 0.05f, z}, size);
            ++placed;
        }
    }

    void placeOnSand(ReefKind kind, float x, float z, float size) { addItem(kind, {x, height(x, z) - 0.05f, z}, size); }

    // A free-standing rock (not an anchor) with corals on its crown.
    void placeRockGroup(float x, float z, float size, std::initializer_list<std::pair<ReefKind, float>> corals) {
        const ReefItem rock = addRock({x, height(x, z) - 0.5f * size, z}, size);
        for (const auto& [kind, coralSize] : corals) {
            addItem(kind, pointOn(rock.position, rock.size, 0.6f), coralSize);
        }
    }

    void placeLandmarks() {
        placeRockGroup(-8.2f, 2.0f, 1.4f,
                       {{ReefKind::fan, 2.9f}, {ReefKind::branching, 1.5f}, {ReefKind::fingers, 1.0f}});
        placeOnSand(ReefKind::whip, -6.4f, 3.0f, 2.2f);
        placeRockGroup(8.0f, 1.5f, 1.5f, {{ReefKind::table, 2.2f}, {ReefKind::sponge, 1.4f}});
        placeOnSand(ReefKind::boulder, 6.4f, 3.2f, 1.2f);
        placeOnSand(ReefKind::branching, 9.8f, -0.5f, 1.4f);
    }

    void placeFarRocks() {
        for (const RockSpot& spot : farRocks) {
            addAnchoredRock({spot.x, height(spot.x, spot.z) - 0.5f * spot.size, spot.z}, spot.size);
            const std::size_t anchor = out.rockAnchors.size() - 1;
            const int count = static_cast<int>(spot.size * 2.2f);
            for (int i = 0; i < count; ++i) addCoralOnAnchor(anchor, 0.8f, 1.0f);
        }
    }

    // Small growth only: it sits inside the rock's own obstacle, so it adds none.
    void encrustRocks() {
        for (std::size_t anchor = 0; anchor < out.rockAnchors.size(); ++anchor) {
            const float r = out.rockAnchors[anchor].size;
            const int count = static_cast<int>(r * r * 4.5f);
            for (int i = 0; i < count; ++i) {
                const std::uint64_t draw = random.next();
                const auto folded = static_cast<std::uint32_t>(draw) ^ static_cast<std::uint32_t>(draw >> 32);
                const ReefKind kind = encrustingKinds[folded & 7u];
                Float3 position = pointOnAnchor(anchor, 0.8f);
                const float rangeValue = kindSize(kind, 1.0f);
                const float size = rangeValue * (0.28f + 0.17f * u());
                // Lifted so the growth is not swallowed by the lumpy rock surface.
                position.y += 0.15f * size;
                ReefItem item{kind, position, size, 0.0f, 0, 0};
                item.yaw = drawYaw();
                item.palette = drawPalette(7);
                item.seed = random.next();
                out.items.push_back(item);
            }
        }
    }

    // Far outside the swim volume: scenery only, no obstacles.
    void placePinnacles() {
        for (const PinnacleSpot& spot : pinnacles) {
            const Float3 position{spot.x, height(spot.x, spot.z) - 1.0f, spot.z};
            out.items.push_back({ReefKind::pinnacle, position, spot.size, spot.yaw, 0, random.next()});
        }
    }

    void plantKelp() {
        for (const StrandPatch& group : kelpGroups) {
            for (int i = 0; i < group.count; ++i) {
                const float x = group.centre.x + group.extent.x * (2.0f * u() - 1.0f);
                const float z = group.centre.y + group.extent.y * (2.0f * u() - 1.0f);
                Strand stalk;
                stalk.base = {x, height(x, z) - 0.2f, z};
                stalk.height = 8.0f + 5.2f * u();
                stalk.width = 0.7f + 0.45f * u();
                stalk.phase = turn * u();
                stalk.tint = u();
                out.kelp.push_back(stalk);
            }
        }
    }

    void placeForegroundCorals() {
        for (const ForegroundCoral& coral : foregroundCorals) {
            ReefItem item{
                coral.kind, {coral.x, height(coral.x, coral.z) - 0.05f, coral.z}, coral.size, 0.0f, coral.palette, 0};
            item.yaw = drawYaw();
            item.seed = random.next();
            out.items.push_back(item);
            addObstacle(item);
        }
    }

    void placeClams() {
        for (const Float2 spot : clamSpots) {
            ReefItem clam{ReefKind::clam, {spot.x, height(spot.x, spot.y) - 0.12f, spot.y}, 0.0f, 0.0f, 0, 0};
            clam.size = 0.55f + 0.25f * u();
            clam.yaw = drawYaw();
            clam.palette = drawPaletteMasked();
            clam.seed = random.next();
            out.items.push_back(clam);
            out.obstacles.push_back({clam.position + Float3{0.0f, 0.45f * clam.size, 0.0f}, 0.55f * clam.size});
        }
    }

    // Sea stars and mushroom corals lie flat on the sand; too small to steer round.
    void placeCritters() {
        int placed = 0;
        while (placed < 26) {
            const float x = 22.0f * u() - 11.0f;
            const float z = 18.5f * u() - 14.0f;
            if (nearAnchor(x, z, 1.1f)) continue;
            const ReefKind kind = placed % 3 == 0 ? ReefKind::seaStar : ReefKind::mushroom;
            ReefItem critter{kind, {x, height(x, z) + 0.02f, z}, 0.0f, 0.0f, 0, 0};
            critter.size = kindSize(kind, 1.0f);
            critter.yaw = drawYaw();
            critter.palette = drawPaletteMasked();
            critter.seed = random.next();
            out.items.push_back(critter);
            ++placed;
        }
    }

    void plantSeagrass() {
        for (const StrandPatch& patch : grassPatches) {
            const float radius = patch.extent.x;
            for (int i = 0; i < patch.count; ++i) {
                const float theta = turn * u();
                const float reach = std::sqrt(u());
                // Patches spread 1.35 times wider across than in depth.
                const float x = patch.centre.x + 1.35f * radius * reach * std::cos(theta);
                const float z = patch.centre.y + radius * reach * std::sin(theta);
                Strand blade;
                blade.base = {x, height(x, z) - 0.04f, z};
                blade.height = 0.22f + 0.53f * u();
                blade.width = 0.04f + 0.035f * u();
                blade.phase = turn * u();
                blade.tint = u();
                out.seagrass.push_back(blade);
            }
        }
    }
};

}  // namespace

ReefLayout::ReefLayout(std::uint32_t seed) {
    terrain.seed = seed;
    Generator(*this, seed).run();
}

ReefKind ReefLayout::randomKind(float u) {
    if (u < 0.2f) return ReefKind::branching;
    if (u < 0.31f) return ReefKind::boulder;
    if (u < 0.42f) return ReefKind::fingers;
    if (u < 0.49f) return ReefKind::table;
    if (u < 0.57f) return ReefKind::fan;
    if (u < 0.65f) return ReefKind::sponge;
    if (u < 0.75f) return ReefKind::softCoral;
    if (u < 0.82f) return ReefKind::lettuce;
    if (u < 0.88f) return ReefKind::pillar;
    return ReefKind::whip;
}

Float2 ReefLayout::sizeRange(ReefKind kind) {
    switch (kind) {
        case ReefKind::branching:
            return {1.0f, 1.6f};
        case ReefKind::boulder:
            return {0.7f, 1.2f};
        case ReefKind::table:
            return {0.75f, 1.15f};
        case ReefKind::anemone:
            return {1.0f, 1.5f};
        case ReefKind::fan:
            return {1.3f, 2.1f};
        case ReefKind::sponge:
            return {0.8f, 1.3f};
        case ReefKind::fingers:
            return {0.7f, 1.1f};
        case ReefKind::whip:
            return {1.4f, 2.4f};
        case ReefKind::softCoral:
            return {0.9f, 1.5f};
        case ReefKind::pillar:
            return {1.0f, 1.7f};
        case ReefKind::clam:
            return {0.55f, 0.8f};
        case ReefKind::lettuce:
            return {0.8f, 1.3f};
        case ReefKind::mushroom:
            return {0.25f, 0.4f};
        case ReefKind::seaStar:
            return {0.28f, 0.4f};
        case ReefKind::rock:
        case ReefKind::pinnacle:
            return {1.0f, 1.5f};
    }
    return {1.0f, 1.5f};
}

float ReefLayout::kindSize(ReefKind kind, float scale, float u) {
    const Float2 range = sizeRange(kind);
    return scale * (range.x + (range.y - range.x) * u);
}

}  // namespace lumen::reef
