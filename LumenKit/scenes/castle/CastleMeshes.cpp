#include "LumenKit/scenes/castle/CastleMeshes.hpp"

#include "LumenKit/scenes/castle/CastleParts.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumen::castle {

namespace {

constexpr float growth = 1.06f;

float smooth(float v) {
    const float c = std::min(std::max(v, 0.0f), 1.0f);
    return c * c * (3 - 2 * c);
}

Float3 mix(Float3 a, Float3 b, float s) { return a + (b - a) * s; }

// Lines from `start` outwards by gaps growing from firstGap, ending exactly on `limit`.
void appendGrowing(std::vector<float>& lines, float start, float firstGap, float limit) {
    const float sign = limit > start ? 1.0f : -1.0f;
    float gap = firstGap;
    for (float v = start + sign * gap; (limit - v) * sign > 0; v += sign * gap) {
        lines.push_back(v);
        gap *= growth;
    }
    lines.push_back(limit);
}

std::vector<float> lines(float fineStart, float fineEnd, float lower, float upper, float cell) {
    std::vector<float> result;
    appendGrowing(result, fineStart, cell * growth, lower);
    std::reverse(result.begin(), result.end());
    for (int k = 0;; ++k) {
        const float v = fineStart + cell * static_cast<float>(k);
        if (v >= fineEnd) break;
        result.push_back(v);
    }
    result.push_back(fineEnd);
    appendGrowing(result, fineEnd, cell * growth, upper);
    return result;
}

Float4 groundColour(const CastleTerrain& terrain, float x, float z, float h, Float3 n) {
    const Float3 grass{0.13f, 0.19f, 0.1f};
    const Float3 rock{0.2f, 0.2f, 0.19f};
    const Float3 mud{0.26f, 0.23f, 0.19f};
    const Float3 snow{0.8f, 0.84f, 0.92f};
    const Float3 pathColour{0.46f, 0.39f, 0.3f};
    Float3 c = mix(grass, rock, smooth((0.86f - n.y) / 0.14f));
    c = mix(c, rock, smooth((h - 200) / 120));
    c = mix(c, mud, smooth((1.8f - h) / 1.2f));
    c = mix(c, snow, smooth((h - 400) / 60) * smooth((n.y - 0.55f) / 0.2f));
    float path = 0;
    if (std::fabs(x - 35) < 70 && z > -420 && z < -320) {
        path = smooth((3.4f - terrain.nearestPathPoint(x, z).distance) / 2.0f);
        c = mix(c, pathColour, path);
    }
    return float4(c, path);
}

}  // namespace

std::vector<float> CastleMeshes::terrainLinesX(float cell) { return lines(-180, 160, -2600, 2600, cell); }
std::vector<float> CastleMeshes::terrainLinesZ(float cell) { return lines(-600, -300, -5200, 170, cell); }

Mesh CastleMeshes::terrain(const CastleTerrain& terrain, float cell) {
    const std::vector<float> xs = terrainLinesX(cell);
    const std::vector<float> zs = terrainLinesZ(cell);
    Mesh mesh;
    mesh.vertices.reserve(xs.size() * zs.size());
    for (const float z : zs) {
        for (const float x : xs) {
            const float h = terrain.height(x, z);
            const Float3 n = terrain.normal(x, z, cell * 0.5f);
            mesh.vertices.push_back({{x, h, z, 1}, float4(n, 0), groundColour(terrain, x, z, h, n)});
        }
    }
    const auto columns = static_cast<std::uint32_t>(xs.size());
    for (std::uint32_t r = 0; r + 1 < zs.size(); ++r) {
        for (std::uint32_t c = 0; c + 1 < columns; ++c) {
            const std::uint32_t v = r * columns + c;
            mesh.indices.insert(mesh.indices.end(), {v, v + columns, v + 1, v + 1, v + columns, v + columns + 1});
        }
    }
    return mesh;
}

Mesh CastleMeshes::castle() {
    using M = CastleMaterial;
    Mesh mesh;
    CastleParts parts(mesh);
    const float cx = castleSite.x, cz = castleSite.y, base = castleBaseHeight;
    const float footing = base - 3;  // walls reach into the hill, so no slope shows a gap
    const Float3 wall{0.7f, 0.66f, 0.6f}, stone{0.46f, 0.44f, 0.42f}, roof{0.13f, 0.2f, 0.45f};
    const Float3 gold{0.95f, 0.72f, 0.3f}, banner{0.72f, 0.08f, 0.12f}, iron{0.1f, 0.1f, 0.11f};
    const Float3 gate{0.24f, 0.14f, 0.07f}, lamp{1, 0.72f, 0.38f};
    constexpr float quarter = std::numbers::pi_v<float> / 4;

    auto tower = [&](float dx, float dz, float radius, float top, float roofHeight, bool flag) {
        const Float2 c{cx + dx, cz + dz};
        parts.cylinder(c, radius, footing, top, 14, M::wall, wall);
        parts.cylinder(c, radius + 0.35f, top - 1.2f, top, 14, M::stone, stone);  // a corbelled rim
        parts.cone(c, {radius * 1.28f, radius * 1.28f}, top, roofHeight, 14, 0, M::roof, roof);
        const float apex = top + roofHeight;
        parts.ball({c.x, apex + 0.35f, c.y}, 0.5f, M::gold, gold);
        if (flag) {
            parts.box({c.x, apex + 2.6f, c.y}, {0.14f, 5, 0.14f}, M::iron, iron);
            parts.box({c.x + 1.45f, apex + 4.2f, c.y}, {2.6f, 1.3f, 0.08f}, M::banner, banner);
        }
    };

    // Curtain walls with battlements.
    const float wx = 34, front = 22, back = -24, wallTop = base + 11;
    auto curtain = [&](Float3 centre, Float3 size, bool alongX) {
        parts.box(centre, size, M::stone, stone);
        const float length = alongX ? size.x : size.z;
        for (float s = -length / 2 + 1; s < length / 2 - 0.5f; s += 2.4f) {
            const Float3 at = alongX ? Float3{centre.x + s, wallTop + 0.7f, centre.z} : Float3{centre.x, wallTop + 0.7f, centre.z + s};
            parts.box(at, alongX ? Float3{1.2f, 1.4f, 2.6f} : Float3{2.6f, 1.4f, 1.2f}, M::stone, stone);
        }
    };
    const float wallMid = (footing + wallTop) / 2, wallHeight = wallTop - footing;
    curtain({cx - 20, wallMid, cz + front}, {24, wallHeight, 2.4f}, true);
    curtain({cx + 20, wallMid, cz + front}, {24, wallHeight, 2.4f}, true);
    curtain({cx, wallMid, cz + back}, {2 * wx, wallHeight, 2.4f}, true);
    curtain({cx - wx, wallMid, cz + (front + back) / 2}, {2.4f, wallHeight, front - back}, false);
    curtain({cx + wx, wallMid, cz + (front + back) / 2}, {2.4f, wallHeight, front - back}, false);
    for (const Float2 corner : {Float2{-wx, front}, Float2{wx, front}, Float2{-wx, back}, Float2{wx, back}}) {
        tower(corner.x, corner.y, 5, base + 19, 12, corner.y > 0);
    }

    // Gatehouse: two slim towers round an arched gate with a lamp either side.
    tower(-6, front + 0.5f, 3.2f, base + 17, 8, false);
    tower(6, front + 0.5f, 3.2f, base + 17, 8, false);
    parts.box({cx, base + 9, cz + front}, {9, 6, 2.8f}, M::wall, wall);
    parts.box({cx, base + 3.6f, cz + front + 1.45f}, {5, 7.2f, 0.3f}, M::gate, gate);
    for (const float side : {-3.6f, 3.6f}) {
        parts.box({cx + side, base + 5.5f, cz + front + 1.7f}, {0.5f, 0.7f, 0.5f}, M::lamp, lamp);
    }

    // The keep, its gabled roof and its towers.
    const Float3 keepCentre{cx, 0, cz - 6};
    const float keepTop = base + 30;
    parts.box({keepCentre.x, (footing + keepTop) / 2, keepCentre.z}, {30, keepTop - footing, 20}, M::wall, wall);
    parts.cone({keepCentre.x, keepCentre.z}, {15 * 1.414f, 10 * 1.414f}, keepTop, 11, 4, quarter, M::roof, roof);
    tower(-15, 4, 4, base + 40, 15, false);
    tower(15, 4, 4, base + 40, 15, true);
    tower(-15, -16, 3.6f, base + 36, 13, false);
    tower(15, -16, 3.6f, base + 36, 13, false);
    // The tall central tower and a turret clinging to it.
    tower(3, -7, 5.5f, base + 62, 24, true);
    const Float2 turret{cx - 3.5f, cz - 3};
    parts.cylinder(turret, 2.2f, keepTop - 2, base + 48, 10, M::wall, wall);
    parts.cone(turret, {2.9f, 2.9f}, base + 48, 7, 10, 0, M::roof, roof);
    return mesh;
}

Mesh CastleMeshes::lanternsAndDock(const CastleLayout& layout) {
    using M = CastleMaterial;
    Mesh mesh;
    CastleParts parts(mesh);
    const Float3 iron{0.08f, 0.08f, 0.09f}, lamp{1, 0.72f, 0.38f}, wood{0.3f, 0.21f, 0.13f};
    for (const Float3 p : layout.lanterns) {
        parts.box(p - Float3{0, 1.15f, 0}, {0.14f, 1.5f, 0.14f}, M::iron, iron);
        parts.box(p, {0.4f, 0.55f, 0.4f}, M::lamp, lamp);
        parts.box(p + Float3{0, 0.34f, 0}, {0.62f, 0.14f, 0.62f}, M::iron, iron);
    }
    for (const PlankBox& plank : layout.dock) {
        parts.box(plank.centre, plank.size, M::wood, wood);
        for (const float side : {-1.2f, 1.2f}) {
            parts.box(plank.centre + Float3{side, -1.3f, 0}, {0.26f, 2.4f, 0.26f}, M::wood, wood * 0.8f);
        }
    }
    return mesh;
}

}  // namespace lumen::castle
