#pragma once

#include "scenekit/RecordLayout.hpp"
#include "scenekit/ShaderSlot.hpp"

#include "LumenKit/core/Mesh.hpp"

#include "gpu/Gpu.hpp"

#include <optional>
#include <string>
#include <utility>

namespace lumen::app {

class GpuContext;

// A mesh uploaded once: 48-byte MeshVertex records and 32-bit indices.
struct MeshBuffers {
    // Vertex shaders pull the vertices from "MeshVertices { MeshVertex vertices[]; }" here.
    static constexpr ShaderSlot verticesSlot{"MESH_VERTICES_SLOT", 0};
    // MeshVertex against that block, read through `vertexFunction`.
    static RecordLayout vertexRecord(const char* vertexFunction, const char* fragmentFunction);

    gpu::Buffer vertices;
    gpu::Buffer indices;
    int indexCount = 0;

    // Uploads under `label` and `label + " indices"`; throws SceneException::resource.
    static MeshBuffers make(GpuContext& gpu, const Mesh& mesh, const std::string& label);

    // Binds the vertices at verticesSlot and draws indexed triangles over all indices or over
    // [range.first, range.second). Per-instance data and uniforms are bound by the caller.
    void draw(gpu::RenderEncoder& encoder, int instanceCount = 1,
              std::optional<std::pair<int, int>> range = std::nullopt) const;
};

}  // namespace lumen::app
