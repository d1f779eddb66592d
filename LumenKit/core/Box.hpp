#pragma once

#include "LumenKit/core/Vector.hpp"

namespace lumen {

// Axis-aligned box.
struct Box {
    Float3 min;
    Float3 max;

    bool operator==(const Box&) const = default;

    // Faces count as inside; a negative margin shrinks the box.
    constexpr bool contains(Float3 p, float margin = 0.0f) const {
        return p.x >= min.x - margin && p.x <= max.x + margin &&
               p.y >= min.y - margin && p.y <= max.y + margin &&
               p.z >= min.z - margin && p.z <= max.z + margin;
    }
};

}  // namespace lumen
