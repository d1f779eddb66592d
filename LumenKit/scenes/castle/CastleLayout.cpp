#include "LumenKit/scenes/castle/CastleLayout.hpp"

#include "LumenKit/core/Noise.hpp"
#include "LumenKit/core/SeededRandom.hpp"

#include <cmath>

namespace lumen::castle {

namespace {

constexpr float lanternSpacing = 9;
constexpr float lanternOffset = 2.1f;

void placePathLanterns(const CastleTerrain& terrain, std::vector<Float3>& lanterns) {
    float cum = 0;
    float side = 1;
    for (std::size_t i = 0; i + 1 < terrain.path.size(); ++i) {
        const Float3 a = terrain.path[i];
        const Float2 d{terrain.path[i + 1].x - a.x, terrain.path[i + 1].z - a.z};
        const float len = length(d);
        const Float2 dir = d / len;
        for (float s = std::fmod(lanternSpacing - std::fmod(cum, lanternSpacing), lanternSpacing); s < len;
             s += lanternSpacing) {
            const float x = a.x + dir.x * s - dir.y * lanternOffset * side;
            const float z = a.z + dir.y * s + dir.x * lanternOffset * side;
            lanterns.push_back({x, terrain.height(x, z) + 1.9f, z});
            side = -side;
        }
        cum += len;
    }
}

}  // namespace

CastleLayout::CastleLayout(std::uint64_t seed) : terrain(CastleTerrain::shipped()) {
    SeededRandom rng(seed);
    auto u = [&rng] { return rng.uniform(0, 1); };

    placePathLanterns(terrain, lanterns);

    const Float3 last = terrain.path.back();
    const Float2 along = Float2{0.25f, 1} / length(Float2{0.25f, 1});
    for (int k = 0; k < 10; ++k) {
        const float reach = 1 + 2.6f * static_cast<float>(k);
        dock.push_back({{last.x + along.x * reach, 0.75f, last.z + along.y * reach}, {2.8f, 0.25f, 2.4f}});
    }
    const Float2 end{last.x + 26 * along.x, last.z + 26 * along.y};
    lanterns.push_back({end.x - 1.4f, 2.6f, end.y});
    lanterns.push_back({end.x + 1.4f, 2.6f, end.y});

    for (int i = 0; i < 20; ++i) {
        const float x = -190 + 21 * static_cast<float>(i);
        if (std::fabs(x - last.x) <= 14) continue;
        const float z = CastleTerrain::shoreZ(x) - 9;
        const float h = terrain.height(x, z);
        if (h > 0.4f && h < 9) lanterns.push_back({x, h + 2, z});
    }

    for (float z = -1500; z < 80;) {
        const float step = z < -800 ? 26.0f : z < -500 ? 15.0f : 11.0f;
        for (float x = -1100; x < 1100; x += step) {
            const float px = x + step * (0.9f * u() - 0.45f);
            const float pz = z + step * (0.9f * u() - 0.45f);
            const float h = terrain.height(px, pz);
            if (h <= 1.2f) continue;
            if (std::fabs(px + 10) < 56 && std::fabs(pz + 430) < 42) continue;
            if (std::fabs(px + 12) < 40 && pz > -430 && pz < -366) continue;
            if (CastleTerrain::shoreZ(px) - pz < 30 && u() < 0.65f) continue;
            if (terrain.nearestPathPoint(px, pz).distance < 4.5f) continue;
            if (terrain.normal(px, pz, 1.5f).y < 0.72f) continue;
            const float n = Noise::fractal({px / 160, 7, pz / 160}, 2, 41);
            if (u() > (0.5f * n + 0.5f) * 1.25f) continue;

            const bool inner = pz <= -200 || std::fabs(px) <= 200;
            Tree tree;
            if (inner) {
                const float u5 = u();
                const float u6 = u();
                tree.height = (12 * u5 + 6) * (u6 < 0.15f ? 1.35f : 1.0f);
            } else {
                tree.height = 13 * u() + 15;
            }
            if (u() >= (inner ? 0.68f : 0.85f)) {
                tree.kind = 1;
                tree.height *= 0.7f;
            }
            tree.width = (0.26f + 0.1f * u()) * tree.height;
            tree.tint = u();
            tree.phase = 6.28f * u();
            tree.position = {px, h - 0.4f, pz};
            trees.push_back(tree);
        }
        z += step;
    }
}

}  // namespace lumen::castle
