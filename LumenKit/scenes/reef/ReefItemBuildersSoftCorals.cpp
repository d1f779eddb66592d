// Flexible growth: sea fans, sea whips, soft corals, barrel sponges and the anemone.
#include "LumenKit/core/Noise.hpp"
#include "LumenKit/scenes/reef/ReefItemBuilders.hpp"
#include "LumenKit/scenes/reef/ReefShapes.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace lumen::reef::ReefItemBuilders {

using namespace ReefShapes;

namespace {

// Branches of a fan stay in the fan's plane (x, y); the plane itself bows a little in z.
void growFanBranch(Context& c, Float3 start, float angle, float len, float radius, int depth, int sides) {
    // Never droop below the horizontal.
    angle = std::clamp(angle, -1.35f, 1.35f);
    const Float3 direction{std::sin(angle), std::cos(angle), 0.0f};
    const Float3 bow{0.0f, 0.0f, 0.06f * len * c.range(-1.0f, 1.0f)};
    const auto path = bentPath(start, direction, len, bow, 3);
    const float tip = radius * 0.75f;
    c.mesh.appendTube(
        path, [=](float t) { return radius + (tip - radius) * t; }, sides, white);
    if (depth == 0) return;
    const float split = c.range(0.3f, 0.55f);
    // Outer branches open out towards the sides so the crown fills a broad half-disc.
    const float outward = angle * 0.25f;
    growFanBranch(c, path.back(), angle - split + outward, len * c.range(0.72f, 0.85f), tip, depth - 1, sides);
    growFanBranch(c, path.back(), angle + split + outward, len * c.range(0.72f, 0.85f), tip, depth - 1, sides);
}

}  // namespace

void fan(Context& c) {
    const std::size_t first = c.mesh.vertices.size();
    const int sides = c.coarse ? 3 : 4;
    const Float3 trunk[] = {{0.0f, -0.05f, 0.0f}, {0.0f, 0.08f, 0.0f}, {0.0f, 0.16f, 0.0f}};
    c.mesh.appendTube(
        trunk, [](float t) { return 0.035f - 0.008f * t; }, sides + 2, white);
    const int depth = c.coarse ? 3 : 5;
    growFanBranch(c, trunk[2], -0.45f, 0.24f, 0.024f, depth, sides);
    growFanBranch(c, trunk[2], 0.45f, 0.24f, 0.024f, depth, sides);
    paintUpright(c.mesh, first, c.colours, 1.0f, 0.45f, 0.3f, 0.5f);
}

// Long single stems rising from one holdfast, swaying freely at their tips.
void whip(Context& c) {
    const std::size_t first = c.mesh.vertices.size();
    const int sides = c.coarse ? 3 : 4;
    c.mesh.appendEllipsoid(3, 6, {0.0f, 0.0f, 0.0f}, {0.06f, 0.04f, 0.06f}, white);
    const int stems = c.coarse ? 2 : 3 + static_cast<int>(c.u() * 4.0f);
    for (int i = 0; i < stems; ++i) {
        const Float3 lean = normalize(Float3{c.range(-0.3f, 0.3f), 1.0f, c.range(-0.3f, 0.3f)});
        const float len = c.range(0.9f, 1.3f);
        const Float3 bend{c.range(-0.25f, 0.25f), 0.0f, c.range(-0.25f, 0.25f)};
        const auto path = bentPath({0.0f, 0.02f, 0.0f}, lean, len, bend, 8);
        c.mesh.appendTube(
            path, [](float t) { return 0.018f - 0.01f * t; }, sides, white);
    }
    paintUpright(c.mesh, first, c.colours, 1.2f, 1.0f, 0.4f, 0.5f);
}

// A fleshy trunk splitting into arms, each ending in a cluster of polyp heads.
void softCoral(Context& c) {
    const std::size_t first = c.mesh.vertices.size();
    const int sides = c.coarse ? 5 : 8;
    const auto trunk = bentPath({0.0f, -0.05f, 0.0f}, {0.0f, 1.0f, 0.0f}, 0.35f,
                                {c.range(-0.05f, 0.05f), 0.0f, c.range(-0.05f, 0.05f)}, 4);
    c.mesh.appendTube(
        trunk, [](float t) { return 0.13f - 0.04f * t; }, sides, white);
    const int arms = c.coarse ? 3 : 4 + static_cast<int>(c.u() * 3.0f);
    for (int i = 0; i < arms; ++i) {
        const float angle = tau * (static_cast<float>(i) + c.range(-0.25f, 0.25f)) / static_cast<float>(arms);
        const Float3 start = trunk[2] + (trunk[3] - trunk[2]) * c.u();
        const Float3 direction = normalize(Float3{std::cos(angle), c.range(0.8f, 1.3f), std::sin(angle)});
        const auto arm = bentPath(start, direction, c.range(0.2f, 0.32f), {0.0f, 0.05f, 0.0f}, 3);
        c.mesh.appendTube(
            arm, [](float t) { return 0.065f - 0.025f * t; }, sides, white);
        const int heads = c.coarse ? 2 : 3 + static_cast<int>(c.u() * 3.0f);
        for (int h = 0; h < heads; ++h) {
            const float r = c.range(0.06f, 0.09f);
            const Float3 centre = arm.back() + c.random.insideUnitBall() * 0.07f;
            c.mesh.appendEllipsoid(c.coarse ? 3 : 5, c.coarse ? 6 : 8, centre, {r, r * 0.9f, r}, white);
        }
    }
    // Pale translucent stems, the palette's colour concentrated in the polyp heads.
    const ColourPair stems{mix(c.colours.deep, {0.85f, 0.8f, 0.78f}, 0.55f), c.colours.bright};
    paintUpright(c.mesh, first, stems, 0.65f, 0.35f, 0.6f, 0.4f);
}

// Barrel sponge: a ridged open-topped barrel with a thick rim and a dark hollow.
void sponge(Context& c) {
    const std::size_t first = c.mesh.vertices.size();
    const float width = c.range(0.9f, 1.1f);
    const float tall = c.range(0.85f, 1.15f);
    // Outside wall up, over the rim, down into the hollow.
    const std::array<Float2, 9> profile{{{0.3f * width, -0.05f},
                                         {0.4f * width, 0.2f * tall},
                                         {0.46f * width, 0.5f * tall},
                                         {0.44f * width, 0.8f * tall},
                                         {0.42f * width, 0.9f * tall},
                                         {0.38f * width, 0.94f * tall},
                                         {0.33f * width, 0.88f * tall},
                                         {0.31f * width, 0.55f * tall},
                                         {0.2f * width, 0.35f * tall}}};
    const float rimV = 5.0f / 8.0f;  // v of the rim's top point
    const float twist = c.range(0.0f, tau);
    appendLathe(
        c.mesh, profile, c.coarse ? 12 : 28,
        [=](float phi, float v) {
            // Ridges run down the outside and fade out over the rim.
            const float outside = clamp01((rimV - v) * 4.0f);
            return 1.0f + outside * 0.07f * std::max(std::cos(9.0f * phi + twist), 0.0f);
        },
        white);
    const float rimY = 0.94f * tall;
    paint(c.mesh, first, [&](MeshVertex& v) {
        const bool inside = v.position.w > rimV;
        const float height = clamp01(v.position.y / rimY);
        const float t = inside ? 0.1f * height : 0.2f + 0.7f * height * height;
        v.color = float4(mix(c.colours.deep, c.colours.bright, t), inside ? 0.0f : 0.15f * height);
        v.normal.w = inside ? 0.15f + 0.35f * height : 0.35f + 0.65f * height;
        v.position.w = 0.0f;
    });
}

// A bubble-tip anemone: a short column, an oral disc and rings of swaying tentacles.
void anemone(Context& c) {
    const std::size_t first = c.mesh.vertices.size();
    const Float3 column[] = {{0.0f, -0.1f, 0.0f}, {0.0f, 0.08f, 0.0f}, {0.0f, 0.22f, 0.0f}};
    c.mesh.appendTube(
        column, [](float t) { return 0.2f + 0.05f * t; }, 14, white);
    c.mesh.appendEllipsoid(5, 16, {0.0f, 0.22f, 0.0f}, {0.26f, 0.05f, 0.26f}, white);
    const std::size_t bodyEnd = c.mesh.vertices.size();
    paint(c.mesh, first, [&](MeshVertex& v) {
        v.color = float4(c.colours.deep, 0.1f);
        v.position.w = 0.0f;
        v.normal.w = 0.3f + 0.7f * clamp01((v.position.y + 0.1f) / 0.35f);
    });

    struct Ring {
        float radius;
        int count;
    };
    constexpr std::array<Ring, 3> rings{{{0.23f, 20}, {0.16f, 15}, {0.09f, 10}}};
    const int sides = c.coarse ? 4 : 5;
    for (const Ring& ring : rings) {
        const float offset = c.range(0.0f, tau);
        for (int i = 0; i < ring.count; ++i) {
            const float angle =
                offset + tau * (static_cast<float>(i) + c.range(-0.2f, 0.2f)) / static_cast<float>(ring.count);
            const Float3 out{std::cos(angle), 0.0f, std::sin(angle)};
            const Float3 start = out * ring.radius + Float3{0.0f, 0.24f, 0.0f};
            const Float3 direction = normalize(out * (0.4f + ring.radius * 2.0f) + Float3{0.0f, 1.0f, 0.0f});
            const float len = c.range(0.3f, 0.45f);
            // Tentacles droop outward under their own weight.
            const auto path = bentPath(start, direction, len, out * (0.12f * len) + Float3{0.0f, -0.1f * len, 0.0f}, 5);
            appendCappedTube(c.mesh, path, 0.03f, 0.022f, sides, white);
        }
    }
    const Float3 tipColour = mix(c.colours.bright, {1.0f, 0.95f, 0.85f}, 0.35f);
    paint(c.mesh, bodyEnd, [&](MeshVertex& v) {
        const float t = v.position.w;  // along the tentacle, as the tube builder left it
        v.color = float4(mix(c.colours.bright, tipColour, t * t), 0.6f * t);
        v.position.w = 0.2f + 0.8f * t;
        v.normal.w = 0.6f + 0.4f * t;
    });
}

}  // namespace lumen::reef::ReefItemBuilders
