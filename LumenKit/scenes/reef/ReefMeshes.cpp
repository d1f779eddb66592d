#include "LumenKit/scenes/reef/ReefMeshes.hpp"

#include "LumenKit/core/Noise.hpp"
#include "LumenKit/scenes/reef/ReefItemBuilders.hpp"
#include "LumenKit/scenes/reef/ReefShapes.hpp"

#include <algorithm>
#include <cmath>

namespace lumen::reef::ReefMeshes {

namespace {

// Shadow of the rocks on the sand: 1 in the open, down to 0.5 per rock right at its foot.
float rockOcclusion(float x, float z, std::span<const RockAnchor> anchors) {
    float o = 1.0f;
    for (const RockAnchor& rock : anchors) {
        const float dx = x - rock.center.x, dz = z - rock.center.z;
        const float d = std::sqrt(dx * dx + dz * dz);
        const float s = std::clamp((d - 0.55f * rock.size) / (1.3f * rock.size), 0.0f, 1.0f);
        o *= 1.0f - 0.5f * (1.0f - s) * (1.0f - s);
    }
    return o;
}

Float3 sandColour(float x, float z) {
    const float k = 0.86f + 0.22f * Noise::fractal({0.18f * x, 1.7f, 0.18f * z}, 3, 91u);
    Float3 colour = Float3{0.42f, 0.36f, 0.25f} * k;
    // Darker ripple troughs.
    if (Noise::value(Float3{1.3f * x, 0.2f, 1.3f * z}, 17u) > 0.72f) colour = colour * 0.82f;
    return colour;
}

}  // namespace

Mesh sand(const Terrain& terrain, std::span<const RockAnchor> anchors, int columns, int rows) {
    const int nc = std::max(columns, 1), nr = std::max(rows, 1);
    Mesh mesh;
    mesh.vertices.reserve(static_cast<std::size_t>(nc + 1) * static_cast<std::size_t>(nr + 1));
    mesh.indices.reserve(static_cast<std::size_t>(nc) * static_cast<std::size_t>(nr) * 6);
    constexpr float e = 0.25f;
    for (int j = 0; j <= nr; ++j) {
        const float z = (1.0f - std::pow(1.0f - static_cast<float>(j) / static_cast<float>(nr), 1.6f)) * 110.0f - 90.0f;
        for (int i = 0; i <= nc; ++i) {
            const float x = static_cast<float>(i) / static_cast<float>(nc) * 160.0f - 80.0f;
            const float y = terrain.height(x, z);
            const Float3 normal = normalize(Float3{terrain.height(x - e, z) - terrain.height(x + e, z), 2.0f * e,
                                                   terrain.height(x, z - e) - terrain.height(x, z + e)});
            const Float3 colour = sandColour(x, z) * std::max(rockOcclusion(x, z, anchors), 0.3f);
            mesh.vertices.push_back({{x, y, z, 0.0f}, float4(normal, 0.0f), float4(colour, 0.0f)});
        }
    }
    const auto stride = static_cast<std::uint32_t>(nc + 1);
    for (std::uint32_t j = 0; j < static_cast<std::uint32_t>(nr); ++j) {
        for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(nc); ++i) {
            const std::uint32_t a = j * stride + i, b = a + 1, c = a + stride, d = c + 1;
            // Counter-clockwise seen from above.
            mesh.indices.insert(mesh.indices.end(), {a, c, b, b, c, d});
        }
    }
    return mesh;
}

int colourSet(const ReefLayout& layout, std::size_t index) {
    const ReefItem& item = layout.items.at(index);
    // Phases 2 to 6 are indices 1 to 5 of the per-phase counts.
    std::size_t begin = layout.itemsPerPhase[0];
    std::size_t end = begin;
    for (std::size_t phase = 1; phase <= 5; ++phase) end += layout.itemsPerPhase[phase];
    const bool undrawn = index >= begin && index < end && item.kind != ReefKind::rock;
    if (!undrawn) return item.palette;
    return static_cast<int>(ReefShapes::fold(item.seed) % Palette::size);
}

Mesh reef(const ReefLayout& layout) {
    Mesh mesh;
    // Items are built one at a time in a reused scratch mesh, then merged with offset indices.
    Mesh scratch;
    for (std::size_t i = 0; i < layout.items.size(); ++i) {
        scratch.vertices.clear();
        scratch.indices.clear();
        ReefItemBuilders::append(scratch, layout.items[i], colourSet(layout, i));
        const auto offset = static_cast<std::uint32_t>(mesh.vertices.size());
        mesh.vertices.insert(mesh.vertices.end(), scratch.vertices.begin(), scratch.vertices.end());
        for (const std::uint32_t index : scratch.indices) mesh.indices.push_back(index + offset);
    }
    return mesh;
}

}  // namespace lumen::reef::ReefMeshes
