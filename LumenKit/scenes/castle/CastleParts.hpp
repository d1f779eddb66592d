#pragma once

#include "LumenKit/core/Mesh.hpp"
#include "LumenKit/scenes/castle/CastleMaterial.hpp"

namespace lumen::castle {

// Appends simple solids for the castle and its extras. Every vertex carries the part's number in
// position w, the distance along its surface (metres, for window rows) in normal w, and the
// material in colour alpha.
class CastleParts {
public:
    explicit CastleParts(Mesh& mesh) : mesh_(mesh) {}

    void box(Float3 centre, Float3 size, CastleMaterial material, Float3 colour);
    // Upright cylinder from `y0` to `y1`, open at both ends.
    void cylinder(Float2 centre, float radius, float y0, float y1, int segments, CastleMaterial material, Float3 colour);
    // Cone (or pyramid for few segments) over an elliptical base at y0 with its apex at y0 + h.
    void cone(Float2 centre, Float2 radii, float y0, float h, int segments, float startAngle, CastleMaterial material,
              Float3 colour);
    void ball(Float3 centre, float radius, CastleMaterial material, Float3 colour);

    float part() const { return part_; }

private:
    void vertex(Float3 p, Float3 n, float u, CastleMaterial material, Float3 colour);
    Mesh& mesh_;
    float part_ = 0;
};

}  // namespace lumen::castle
