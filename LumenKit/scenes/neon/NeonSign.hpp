#pragma once

#include "LumenKit/core/Vector.hpp"

#include <optional>
#include <string>

namespace lumen::neon {

// One sign on the street: its word, how it hangs, where it stands and how its tube glows.
struct NeonSign {
    // The raw values travel to the shader as floats.
    enum class Mount { blade = 0, leftWall = 1, rightWall = 2 };

    // The mount for a raw value 0-2; anything else has none.
    static std::optional<Mount> mountFrom(int raw);

    std::string text;
    bool vertical = false;  // letters stacked top to bottom; only blades
    Mount mount = Mount::blade;
    float z = 0;       // along the street, negative
    float bottom = 0;  // lower edge above the road
    float width = 0;
    float height = 0;
    Float3 color{};
    float flicker = 0;  // 0 steady, else 0.5-1
    float side = 0;     // -1 left, +1 right

    bool operator==(const NeonSign&) const = default;
};

}  // namespace lumen::neon
