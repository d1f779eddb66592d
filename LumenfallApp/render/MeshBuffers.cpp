#include "render/MeshBuffers.hpp"

#include "render/SceneResources.hpp"

#include <algorithm>
#include <span>

namespace lumen::app {

MeshBuffers MeshBuffers::make(GpuContext& gpu, const Mesh& mesh, const std::string& label) {
    auto vertices = makeBuffer(gpu, std::span<const MeshVertex>(mesh.vertices), label);
    auto indices = makeBuffer(gpu, std::span<const std::uint32_t>(mesh.indices), label + " indices");
    return MeshBuffers{std::move(vertices), std::move(indices), static_cast<int>(mesh.indices.size())};
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
    encoder.setVertexBuffer(0, vertices, 0);
    encoder.drawIndexed(gpu::PrimitiveType::triangle, end - start, indices,
                        static_cast<std::size_t>(start) * sizeof(std::uint32_t), instanceCount,
                        gpu::IndexType::uint32);
}

}  // namespace lumen::app
