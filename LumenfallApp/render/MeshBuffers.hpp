#pragma once

#include "LumenKit/Mesh.hpp"

#include "gpu/Gpu.hpp"

#include <optional>
#include <string>
#include <utility>

namespace lumen::app {

class GpuContext;

// A mesh uploaded once: 48-byte MeshVertex records and 32-bit indices.
struct MeshBuffers {
    gpu::Buffer vertices;
    gpu::Buffer indices;
    int indexCount = 0;

    // Uploads under `label` and `label + " indices"`; throws SceneException::resource.
    static MeshBuffers make(GpuContext& gpu, const Mesh& mesh, const std::string& label);

    // Binds the vertices at buffer slot 0 and draws indexed triangles over all indices or over
    // [range.first, range.second). Per-instance data and uniforms are bound by the caller.
    void draw(gpu::RenderEncoder& encoder, int instanceCount = 1,
              std::optional<std::pair<int, int>> range = std::nullopt) const;
};

}  // namespace lumen::app
