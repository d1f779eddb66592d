#pragma once

#include "LumenKit/core/Vector.hpp"

#include <optional>

namespace lumen::rainglass {

// One out-of-focus light behind the glass. Positions are in view units: x about -1.6...1.6 around
// the centre, y 0 at the top to 1 at the bottom; size is a radius in view heights.
struct BokehLight {
    enum class Kind { lamp = 0, window = 1, neon = 2, traffic = 3, shop = 4, bulb = 5, candle = 6 };

    Float2 position;
    float size = 0;
    Float3 color;  // linear; above 1 glows
    Kind kind = Kind::lamp;
    float phase = 0;       // radians, for flicker
    float reflection = 0;  // 0...1, how strongly the wet street mirrors it

    static std::optional<Kind> kindFromRaw(int raw) {
        if (raw < 0 || raw > 6) return std::nullopt;
        return static_cast<Kind>(raw);
    }
};

}  // namespace lumen::rainglass
