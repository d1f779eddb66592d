#pragma once

#include "LumenKit/core/Vector.hpp"

namespace lumen {

// Right-handed camera matrices, column-major, looking down -z with depth mapped to [0, 1].
namespace Matrices {

// fovY in radians, aspect = width / height. Near maps to depth 0, far to depth 1.
Float4x4 perspective(float fovY, float aspect, float near, float far);

// View matrix: the eye goes to the origin and the target onto the -z axis.
Float4x4 lookAt(Float3 eye, Float3 target, Float3 up);

// a * b: b is applied first.
inline Float4x4 multiply(const Float4x4& a, const Float4x4& b) { return a * b; }

// m * (p, 1).
inline Float4 transformPoint(const Float4x4& m, Float3 p) { return m * float4(p, 1.0f); }

}  // namespace Matrices

}  // namespace lumen
