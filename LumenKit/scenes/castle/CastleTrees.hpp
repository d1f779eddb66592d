#pragma once

#include "LumenKit/core/Mesh.hpp"

namespace lumen::castle {

// Unit trees the shaders scale per instance: y from 0 (foot) to 1 (top), crown radius 0.5 across
// a width of 1. Colour alpha: 1 for trunk, 0 for foliage; normal w: height within the crown.
namespace CastleTrees {
inline constexpr int coniferTiers = 7;
Mesh conifer(int tiers);
// A plain ellipsoid of radius 0.6 round the origin (5 rings, 8 segments).
Mesh round();
}  // namespace CastleTrees

}  // namespace lumen::castle
