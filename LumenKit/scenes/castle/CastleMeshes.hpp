#pragma once

#include "LumenKit/core/Mesh.hpp"
#include "LumenKit/scenes/castle/CastleLayout.hpp"

#include <vector>

namespace lumen::castle {

namespace CastleMeshes {
inline constexpr float terrainCell = 2.5f;

// The grid lines of the terrain mesh: fine cells round the hill and the shore, growing by 1.06 per
// gap outwards to the far edges.
std::vector<float> terrainLinesX(float cell);
std::vector<float> terrainLinesZ(float cell);

// Vertices at terrain height with height-field normals; colour: ground albedo, alpha the share
// of path; normal w: the height of the shore's water line above the vertex (negative above it).
Mesh terrain(const CastleTerrain& terrain, float cell);
// The castle on its plateau (see CastleParts for the vertex lanes).
Mesh castle();
// Three boxes per lantern, and the dock's planks with their piles.
Mesh lanternsAndDock(const CastleLayout& layout);
}  // namespace CastleMeshes

}  // namespace lumen::castle
