// Stony corals: staghorn, finger, table, pillar, lettuce and mushroom corals.
#include "LumenKit/core/Noise.hpp"
#include "LumenKit/scenes/reef/ReefItemBuilders.hpp"
#include "LumenKit/scenes/reef/ReefShapes.hpp"

#include <cmath>

namespace lumen::reef::ReefItemBuilders {

using namespace ReefShapes;

namespace {

// Leans `direction` randomly by up to `spread` and pulls it `lift` upwards.
Float3 deviate(Context& c, Float3 direction, float spread, float lift) {
    const Float3 d = direction + c.random.unitVector() * spread + Float3{0.0f, lift, 0.0f};
    const float len = length(d);
    return len > 1e-4f ? d / len : Float3{0.0f, 1.0f, 0.0f};
}

// One staghorn limb and, below `depth` 0, two or three forks from its end.
void growLimb(Context& c, Float3 start, Float3 direction, float len, float radius, int depth, int sides) {
    const auto path = bentPath(start, direction, len, {0.0f, 0.25f * len, 0.0f}, 4);
    if (depth == 0) {
        appendCappedTube(c.mesh, path, radius, radius * 0.7f, sides, white);
        return;
    }
    c.mesh.appendTube(
        path, [=](float t) { return radius * (1.0f - 0.3f * t); }, sides, white);
    const int forks = 2 + (c.u() < 0.5f ? 1 : 0);
    for (int i = 0; i < forks; ++i) {
        growLimb(c, path.back(), deviate(c, direction, 0.75f, 0.3f), len * c.range(0.65f, 0.8f), radius * 0.7f,
                 depth - 1, sides);
    }
}

}  // namespace

void branching(Context& c) {
    const std::size_t first = c.mesh.vertices.size();
    const int trunks = c.coarse ? 3 : 4;
    const int depth = c.coarse ? 1 : 2;
    const int sides = c.coarse ? 4 : 6;
    for (int i = 0; i < trunks; ++i) {
        const float angle = tau * (static_cast<float>(i) + c.u()) / static_cast<float>(trunks);
        const Float3 direction = normalize(Float3{0.6f * std::cos(angle), 1.0f, 0.6f * std::sin(angle)});
        growLimb(c, {0.0f, -0.05f, 0.0f}, direction, c.range(0.28f, 0.34f), 0.055f, depth, sides);
    }
    paintUpright(c.mesh, first, c.colours, 0.8f, 0.05f, 0.5f, 0.3f);
}

void fingers(Context& c) {
    const std::size_t first = c.mesh.vertices.size();
    const int sides = c.coarse ? 4 : 7;
    c.mesh.appendEllipsoid(c.coarse ? 4 : 6, c.coarse ? 8 : 14, {0.0f, 0.0f, 0.0f}, {0.36f, 0.14f, 0.36f}, white);
    const int count = c.coarse ? 5 : 7 + static_cast<int>(c.u() * 5.0f);
    for (int i = 0; i < count; ++i) {
        const float angle = c.range(0.0f, tau);
        const float reach = 0.28f * std::sqrt(c.u());
        const Float3 base{reach * std::cos(angle), 0.06f, reach * std::sin(angle)};
        const Float3 lean = deviate(c, normalize(Float3{base.x * 1.5f, 1.0f, base.z * 1.5f}), 0.15f, 0.0f);
        const auto path = bentPath(base, lean, c.range(0.3f, 0.55f), {0.0f, 0.0f, 0.0f}, 3);
        const float radius = c.range(0.05f, 0.075f);
        appendCappedTube(c.mesh, path, radius, radius * 0.9f, sides, white);
    }
    paintUpright(c.mesh, first, c.colours, 0.6f, 0.0f, 0.4f, 0.35f);
}

// A plate on a short stalk, its rim wavy and its top stubbled with short upright branchlets.
void table(Context& c) {
    const std::size_t first = c.mesh.vertices.size();
    const Float3 lean{c.range(-0.06f, 0.06f), 0.38f, c.range(-0.06f, 0.06f)};
    const Float3 stalk[] = {{0.0f, -0.05f, 0.0f}, lean * 0.5f, lean};
    c.mesh.appendTube(
        stalk, [](float t) { return 0.1f - 0.035f * t; }, c.coarse ? 5 : 8, white);
    const float wobble = c.range(0.0f, tau);
    const std::uint32_t seed = fold(c.random.next());
    const Float3 plateCentre = lean + Float3{0.0f, 0.05f, 0.0f};
    c.mesh.appendEllipsoid(c.coarse ? 6 : 10, c.coarse ? 16 : 30, plateCentre, {0.8f, 0.07f, 0.75f}, white,
                           [=](float theta, float phi) {
                               const float rim = std::sin(theta);
                               const float n = Noise::value(sphereDirection(theta, phi) * 3.0f, seed) - 0.5f;
                               return 1.0f + rim * (0.07f * std::sin(5.0f * phi + wobble) + 0.1f * n);
                           });
    const int nubs = c.coarse ? 5 : 16;
    for (int i = 0; i < nubs; ++i) {
        const float angle = c.range(0.0f, tau);
        const float reach = 0.68f * std::sqrt(c.u());
        const Float3 base = plateCentre + Float3{reach * std::cos(angle), 0.04f, 0.92f * reach * std::sin(angle)};
        const auto path = bentPath(base, {0.0f, 1.0f, 0.0f}, c.range(0.05f, 0.09f), {0.0f, 0.0f, 0.0f}, 2);
        appendCappedTube(c.mesh, path, 0.022f, 0.018f, 4, white);
    }
    const float plateY = plateCentre.y;
    paint(c.mesh, first, [&](MeshVertex& v) {
        const Float3 p = xyz(v.position);
        const bool below = p.y < plateY - 0.01f || (p.y < plateY + 0.02f && v.normal.y < 0.0f);
        const float rim = clamp01(std::sqrt(p.x * p.x + p.z * p.z) / 0.8f);
        const float t = below ? 0.1f : 0.6f + 0.4f * rim;
        v.color = float4(mix(c.colours.deep, c.colours.bright, t), below ? 0.0f : 0.45f * t);
        v.position.w = 0.0f;
        v.normal.w = below ? 0.3f : 0.75f + 0.25f * rim;
    });
}

// Thick upright columns with fuzzy, polyp-covered sides and rounded tops.
void pillar(Context& c) {
    const std::size_t first = c.mesh.vertices.size();
    const int count = c.coarse ? 2 : 3 + static_cast<int>(c.u() * 4.0f);
    const int sides = c.coarse ? 5 : 9;
    for (int i = 0; i < count; ++i) {
        const float angle = c.range(0.0f, tau);
        const float reach = i == 0 ? 0.0f : c.range(0.12f, 0.28f);
        const Float3 base{reach * std::cos(angle), -0.05f, reach * std::sin(angle)};
        const Float3 up = deviate(c, {0.0f, 1.0f, 0.0f}, 0.08f, 0.0f);
        const float height = i == 0 ? c.range(0.8f, 1.0f) : c.range(0.45f, 0.8f);
        const float radius = c.range(0.09f, 0.14f);
        const float ripple = c.range(0.0f, tau);
        const auto path = bentPath(base, up, height, {c.range(-0.05f, 0.05f), 0.0f, c.range(-0.05f, 0.05f)}, 6);
        c.mesh.appendTube(
            path, [=](float t) { return radius * (1.0f - 0.15f * t) * (1.0f + 0.06f * std::sin(31.0f * t + ripple)); },
            sides, white);
        const float tip = radius * 0.85f;
        c.mesh.appendEllipsoid(4, sides, path.back(), {tip, tip * 1.2f, tip}, white);
    }
    // Pillar corals look pale and furry: the palette shows through a sandy base tone.
    const ColourPair muted{mix(c.colours.deep, {0.55f, 0.47f, 0.33f}, 0.5f),
                           mix(c.colours.bright, {0.85f, 0.78f, 0.6f}, 0.6f)};
    paintUpright(c.mesh, first, muted, 1.0f, 0.0f, 0.3f, 0.35f);
}

// A rosette of thin ruffled sheets standing on edge.
void lettuce(Context& c) {
    const std::size_t first = c.mesh.vertices.size();
    const int leaves = c.coarse ? 4 : 6 + static_cast<int>(c.u() * 4.0f);
    for (int i = 0; i < leaves; ++i) {
        const std::size_t leafVertex = c.mesh.vertices.size();
        const std::size_t leafIndex = c.mesh.indices.size();
        const Float3 radii{c.range(0.26f, 0.36f), c.range(0.2f, 0.3f), 0.035f};
        c.mesh.appendEllipsoid(c.coarse ? 5 : 8, c.coarse ? 10 : 18, {0.0f, 0.0f, 0.0f}, radii, white);
        const float ruffle = c.range(0.0f, tau);
        const float angle = tau * (static_cast<float>(i) + c.range(-0.3f, 0.3f)) / static_cast<float>(leaves);
        const float tilt = c.range(0.2f, 0.5f);
        const float ct = std::cos(tilt), st = std::sin(tilt);
        paint(c.mesh, leafVertex, [&](MeshVertex& v) {
            Float3 p = xyz(v.position);
            // Ruffle the sheet more towards its edge, then lean it outwards and turn it round.
            const float edge =
                clamp01(std::sqrt((p.x * p.x) / (radii.x * radii.x) + (p.y * p.y) / (radii.y * radii.y)));
            p.z += 0.05f * edge * edge * std::sin(9.0f * std::atan2(p.y, p.x) + ruffle);
            p = Float3{p.x, ct * p.y - st * p.z, st * p.y + ct * p.z};
            p = rotateY(p + Float3{0.0f, radii.y * 0.8f, 0.0f}, angle) + rotateY({0.0f, 0.0f, 0.1f}, angle);
            v.position = float4(p, 0.0f);
            v.color = {edge, 0.0f, 0.0f, 0.0f};
        });
        c.mesh.recomputeNormals(leafVertex, leafIndex);
    }
    paint(c.mesh, first, [&](MeshVertex& v) {
        const float edge = v.color.x;
        const float height = clamp01(v.position.y / 0.6f);
        v.color = float4(mix(c.colours.deep, c.colours.bright, 0.3f + 0.7f * edge), 0.5f * edge);
        v.position.w = 0.0f;
        v.normal.w = 0.4f + 0.6f * height;
    });
}

// A free-living disc coral lying on the sand, its septa radiating from a central mouth.
void mushroom(Context& c) {
    const std::size_t first = c.mesh.vertices.size();
    const Float3 tone = Palette::mushroom(c.palette);
    const float stretch = c.range(0.75f, 0.95f);
    c.mesh.appendEllipsoid(6, 36, {0.0f, 0.02f, 0.0f}, {0.5f, 0.1f, 0.5f * stretch}, white, [](float theta, float phi) {
        return 1.0f + 0.06f * std::sin(theta) * std::max(std::cos(18.0f * phi), 0.0f);
    });
    paint(c.mesh, first, [&](MeshVertex& v) {
        const float ridge = clamp01((v.position.w - 1.0f) / 0.06f);
        const float centre = v.normal.w;  // theta / pi from the ellipsoid: 0 at the mouth
        const float mouth = smoothstep(0.05f, 0.15f, centre);
        v.color = float4(tone * ((0.6f + 0.5f * ridge) * (0.4f + 0.6f * mouth)), 0.7f);
        v.position.w = 0.0f;
        v.normal.w = 0.55f + 0.45f * mouth;
    });
}

}  // namespace lumen::reef::ReefItemBuilders
