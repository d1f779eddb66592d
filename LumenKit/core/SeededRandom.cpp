#include "LumenKit/core/SeededRandom.hpp"

#include <cmath>

namespace lumen {

float SeededRandom::uniform(float a, float b) {
    constexpr float unitStep = 1.0f / 16777216.0f;  // 2^-24
    const float u = static_cast<float>(next() >> 40) * unitStep;
    const float value = a + (b - a) * u;
    // u < 1, but the rounded sum can still reach b for wide or offset ranges.
    if (a < b && value >= b) return std::nextafter(b, a);
    return value;
}

Float3 SeededRandom::insideUnitBall() {
    for (;;) {
        const float x = 2.0f * uniform(0.0f, 1.0f) - 1.0f;
        const float y = 2.0f * uniform(0.0f, 1.0f) - 1.0f;
        const float z = 2.0f * uniform(0.0f, 1.0f) - 1.0f;
        if (x * x + y * y + z * z <= 1.0f) return {x, y, z};
    }
}

Float3 SeededRandom::unitVector() {
    for (;;) {
        const Float3 p = insideUnitBall();
        const float len = length(p);
        // Very short points would amplify rounding when normalised.
        if (len > 0.05f) return p / len;
    }
}

}  // namespace lumen
