#pragma once

#include "LumenKit/core/Box.hpp"
#include "LumenKit/core/MeshVertex.hpp"
#include "LumenKit/core/Vector.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace lumen {

// Triangle mesh as uploaded to the GPU: three indices per triangle, counter-clockwise seen from
// outside. Builders append parts; each part's indices refer to the whole vertex list.
struct Mesh {
    std::vector<MeshVertex> vertices;
    std::vector<std::uint32_t> indices;

    // Radius factor of an ellipsoid at latitude theta (0 at +y, pi at -y) and longitude phi.
    using RadiusFunction = std::function<float(float theta, float phi)>;
    // Tube radius at t in [0, 1] along the path (first point 0, last point 1).
    using RadiusProfile = std::function<float(float t)>;

    // Area-weighted vertex normals for vertices from `firstVertex` on, taken from triangles from
    // `firstIndex` on. Normal w is kept; a vertex without usable faces keeps its old normal.
    // Triangles naming a vertex outside the list are ignored.
    void recomputeNormals(std::size_t firstVertex = 0, std::size_t firstIndex = 0);

    // Component-wise extent of all positions; an empty mesh gives min +inf and max -inf.
    Box bounds() const;

    // Latitude/longitude ellipsoid: (rings + 1) rows of `segments` vertices (the longitude wraps
    // round without a seam), point = centre + radii * direction * radius(theta, phi), two triangles
    // per grid quad, normals recomputed. Position w holds the radius factor, normal w theta / pi.
    // Needs rings >= 2 and segments >= 3, otherwise nothing is appended.
    void appendEllipsoid(int rings, int segments, Float3 centre, Float3 radii, Float4 colour,
                         const RadiusFunction& radius);
    // The plain ellipsoid (radius factor 1).
    void appendEllipsoid(int rings, int segments, Float3 centre, Float3 radii, Float4 colour);
    // A lumpy ellipsoid for stones: factor 1 + 0.12 n - 0.06, n the value noise of 3.1 * direction
    // with seed 4.
    void appendNoisyEllipsoid(int rings, int segments, Float3 centre, Float3 radii, Float4 colour);

    // Open tube swept along a polyline: one ring of `sides` vertices per path point, its frame
    // carried from point to point so that it never flips, normals recomputed. Position w holds t
    // along the path, normal w the angle round the ring as a fraction of a turn. Fewer than two
    // points or three sides append nothing.
    void appendTube(std::span<const Float3> path, const RadiusProfile& radius, int sides, Float4 colour);
};

}  // namespace lumen
