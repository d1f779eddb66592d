#include "LumenKit/core/Mesh.hpp"

#include <cmath>
#include <limits>

namespace lumen {

void Mesh::recomputeNormals(std::size_t firstVertex, std::size_t firstIndex) {
    const std::size_t vertexCount = vertices.size();
    if (firstVertex >= vertexCount) return;

    std::vector<Float3> sums(vertexCount - firstVertex);
    for (std::size_t i = firstIndex; i + 2 < indices.size(); i += 3) {
        const std::uint32_t corner[3] = {indices[i], indices[i + 1], indices[i + 2]};
        if (corner[0] >= vertexCount || corner[1] >= vertexCount || corner[2] >= vertexCount) continue;
        const Float3 p0 = xyz(vertices[corner[0]].position);
        const Float3 p1 = xyz(vertices[corner[1]].position);
        const Float3 p2 = xyz(vertices[corner[2]].position);
        // Left unnormalised so that larger triangles weigh more.
        const Float3 faceNormal = cross(p1 - p0, p2 - p0);
        for (const std::uint32_t v : corner) {
            if (v >= firstVertex) sums[v - firstVertex] += faceNormal;
        }
    }

    for (std::size_t k = 0; k < sums.size(); ++k) {
        const float len = length(sums[k]);
        if (len > 1e-8f) {
            Float4& normal = vertices[firstVertex + k].normal;
            normal = float4(sums[k] / len, normal.w);
        }
    }
}

Box Mesh::bounds() const {
    constexpr float inf = std::numeric_limits<float>::infinity();
    Box box{{inf, inf, inf}, {-inf, -inf, -inf}};
    for (const MeshVertex& v : vertices) {
        const Float3 p = xyz(v.position);
        // Point first: a NaN coordinate then loses the comparison instead of poisoning the box.
        box.min = componentMin(p, box.min);
        box.max = componentMax(p, box.max);
    }
    return box;
}

}  // namespace lumen
