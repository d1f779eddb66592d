#pragma once

#include "LumenKit/core/Vector.hpp"

#include <cstddef>
#include <type_traits>

namespace lumen {

// The vertex record of every scene mesh, uploaded as is (vertex buffer slot 0). The w lanes of
// `position` and `normal` carry per-vertex shading parameters chosen by each mesh builder.
struct MeshVertex {
    Float4 position;
    Float4 normal;
    Float4 color;

    bool operator==(const MeshVertex&) const = default;
};

static_assert(sizeof(MeshVertex) == 48, "MeshVertex must match the shaders' 48-byte record");
static_assert(std::is_standard_layout_v<MeshVertex>);
static_assert(offsetof(MeshVertex, position) == 0);
static_assert(offsetof(MeshVertex, normal) == 16);
static_assert(offsetof(MeshVertex, color) == 32);

}  // namespace lumen
