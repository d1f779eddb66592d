#pragma once

#include "LumenKit/core/Mesh.hpp"
#include "LumenKit/scenes/reef/ReefLayout.hpp"

#include <cstddef>
#include <span>

namespace lumen::reef {

// The static meshes of the reef, built once from its layout.
namespace ReefMeshes {

inline constexpr int sandColumns = 180;
inline constexpr int sandRows = 140;

// Sand floor from x = -80 to 80 and z = -90 to 20, its rows crowding towards the viewer,
// darkened round the rock anchors. (columns + 1) x (rows + 1) vertices; colour alpha and the
// w lanes are 0. Counts below 1 are treated as 1.
Mesh sand(const Terrain& terrain, std::span<const RockAnchor> anchors, int columns, int rows);

// Every item of the layout in list order, each by its kind's builder (see ReefItemBuilders for
// the vertex lanes), merged into one mesh for one draw call.
Mesh reef(const ReefLayout& layout);

// The `Palette` index item `index` is coloured with. Corals the layout places without drawing
// a palette (on and around the rocks, phases 2 to 6) take one from their seed, so the reef
// does not come out in a single colour; every other item uses its own `palette`.
int colourSet(const ReefLayout& layout, std::size_t index);

}  // namespace ReefMeshes

}  // namespace lumen::reef
