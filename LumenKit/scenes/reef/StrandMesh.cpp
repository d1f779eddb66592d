#include "LumenKit/scenes/reef/StrandMesh.hpp"

#include <algorithm>

namespace lumen::reef {

Mesh StrandMesh::build(int segments) {
    // Zero segments would leave a single edge with no triangles and t = 0 / 0.
    const int n = std::max(segments, 1);
    Mesh mesh;
    mesh.vertices.reserve(static_cast<std::size_t>(n + 1) * 2);
    mesh.indices.reserve(static_cast<std::size_t>(n) * 6);
    const Float4 normal{0.0f, 0.0f, 1.0f, 0.0f};
    for (int i = 0; i <= n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(n);
        mesh.vertices.push_back({{-0.5f, t, 0.0f, 0.0f}, normal, {t, 0.0f, 0.0f, 0.0f}});
        mesh.vertices.push_back({{0.5f, t, 0.0f, 0.0f}, normal, {t, 1.0f, 0.0f, 0.0f}});
    }
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(n); ++i) {
        const std::uint32_t a = 2 * i;
        mesh.indices.insert(mesh.indices.end(), {a, a + 1, a + 3, a, a + 3, a + 2});
    }
    return mesh;
}

}  // namespace lumen::reef
