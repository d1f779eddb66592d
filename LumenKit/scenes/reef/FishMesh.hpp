#pragma once

#include "LumenKit/core/Mesh.hpp"

#include <cstddef>
#include <cstdint>

namespace lumen::reef {

// The unit fish every instance is drawn from: one metre long along z, nose at +z (the heading
// the instance records point along), tail at -z, round cross-section of radius about 1 that the
// fish shader squashes per species. The body comes first in the index list, then the six fins
// in `Fin` order, so the body and the fins can be drawn as separate index ranges.
//
// Vertex lanes: position w = t along the body (z + 0.5: 0 at the tail, 1 at the nose) so the
// shader can bend the tail; normal w = part (0 body, 1 + the `Fin` raw value for a fin);
// colour = (t, turn round the ring, 0, 1) on the body and (s along the fin root, v from root
// to edge, 0, 1) on a fin.
struct FishMesh {
    enum class Fin : std::int32_t { caudal, dorsal, anal, pectoralLeft, pectoralRight, pelvic };
    static constexpr int finCount = 6;

    static constexpr int reefSegments = 28;
    static constexpr int reefSides = 16;

    // Segments below 1 count as 1, sides below 3 as 3.
    static Mesh build(int segments, int sides);

    // Body radius at t in [0, 1]: max(t^0.55 (1 - t)^0.62 / 0.452, 0.08).
    static float bodyRadius(float t);
    // Body vertices and indices for the given tessellation (rings, two end caps).
    static std::size_t bodyVertexCount(int segments, int sides);
    static std::size_t bodyIndexCount(int segments, int sides);
};

}  // namespace lumen::reef
