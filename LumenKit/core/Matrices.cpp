#include "LumenKit/core/Matrices.hpp"

#include <cmath>

namespace lumen::Matrices {

Float4x4 perspective(float fovY, float aspect, float near, float far) {
    const float ys = 1.0f / std::tan(fovY * 0.5f);
    const float xs = ys / aspect;
    const float depth = near - far;
    return {{
        Float4{xs, 0, 0, 0},
        Float4{0, ys, 0, 0},
        Float4{0, 0, far / depth, -1},
        Float4{0, 0, near * far / depth, 0},
    }};
}

Float4x4 lookAt(Float3 eye, Float3 target, Float3 up) {
    const Float3 f = normalize(target - eye);
    const Float3 s = normalize(cross(f, up));
    const Float3 u = cross(s, f);
    return {{
        Float4{s.x, u.x, -f.x, 0},
        Float4{s.y, u.y, -f.y, 0},
        Float4{s.z, u.z, -f.z, 0},
        Float4{-dot(s, eye), -dot(u, eye), dot(f, eye), 1},
    }};
}

}  // namespace lumen::Matrices
