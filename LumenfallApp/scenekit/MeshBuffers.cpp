#include "scenekit/MeshBuffers.hpp"

#include "scenekit/SceneResources.hpp"

#include <algorithm>
#include <cstddef>
#include <span>

namespace lumen::app {

MeshBuffers MeshBuffers::make(GpuContext& gpu, const Mesh& mesh, const std::string& label) {
    auto vertices = makeBuffer(gpu, std::span<const MeshVertex>(mesh.vertices), label);
    auto indices = makeBuffer(gpu, std::span<const std::uint32_t>(mesh.indices), label + " indices");
    return MeshBuffers{std::move(vertices), std::move(indices), static_cast<int>(mesh.indices.size())};
}

RecordLayout MeshBuffers::vertexRecord(const char* vertexFunction, const char* fragmentFunction) {
    return {.block = "MeshVertices",
            .slot = verticesSlot,
            .size = sizeof(MeshVertex),
            .members = {{"vertices[0].position", offsetof(MeshVertex, position)},
                        {"vertices[0].normal", offsetof(MeshVertex, normal)},
                        {"vertices[0].color", offsetof(MeshVertex, color)}},
            .storage = true,
            .vertexFunction = vertexFunction,
            .fragmentFunction = fragmentFunction};
}

void MeshBuffers::draw(gpu::RenderEncoder& encoder, int instanceCount, std::optional<std::pair<int, int>> range) const {
    // A range reaching past the list is cut to it: the GPU must never read beyond the index buffer.
    int start = 0;
    int end = indexCount;
    if (range) {
        start = std::clamp(range->first, 0, indexCount);
        end = std::clamp(range->second, start, indexCount);
    }
    if (end <= start || instanceCount <= 0) return;
    encoder.setVertexBuffer(verticesSlot.index, vertices, 0);
    encoder.drawIndexed(gpu::PrimitiveType::triangle, end - start, indices,
                        static_cast<std::size_t>(start) * sizeof(std::uint32_t), instanceCount,
                        gpu::IndexType::uint32);
}

}  // namespace lumen::app
