#include "LumenKit/scenes/reef/ReefItemBuilders.hpp"

#include "LumenKit/scenes/reef/ReefShapes.hpp"

namespace lumen::reef::ReefItemBuilders {

namespace {

using Builder = void (*)(Context&);

// Indexed by the `ReefKind` raw value.
constexpr Builder builders[reefKindCount] = {
    rock,    pinnacle, branching, boulder, table, anemone, fan,      sponge,
    fingers, whip,     softCoral, pillar,  clam,  lettuce, mushroom, seaStar,
};

// Below this size an item gets the coarse tessellation.
constexpr float coarseSize = 0.5f;

}  // namespace

void append(Mesh& mesh, const ReefItem& item, int colourSet) {
    const auto kind = static_cast<std::int32_t>(item.kind);
    // A kind from outside the table has no builder; it adds nothing rather than read past it.
    if (kind < 0 || kind >= reefKindCount) return;
    const std::size_t first = mesh.vertices.size();
    Context context{mesh, SeededRandom(item.seed), Palette::pair(colourSet), item.palette, item.size < coarseSize};
    builders[kind](context);

    for (std::size_t i = first; i < mesh.vertices.size(); ++i) {
        MeshVertex& v = mesh.vertices[i];
        const Float3 p = item.position + ReefShapes::rotateY(xyz(v.position) * item.size, item.yaw);
        v.position = float4(p, v.position.w);
        v.normal = float4(ReefShapes::rotateY(xyz(v.normal), item.yaw), v.normal.w);
    }
}

}  // namespace lumen::reef::ReefItemBuilders
