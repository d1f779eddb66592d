#include "LumenKit/scenes/alpine/AlpineNoise.hpp"

#include <cmath>

namespace lumen::alpine::AlpineNoise {

float corner(std::int32_t i, std::int32_t j) {
    std::uint32_t x = (static_cast<std::uint32_t>(i) * 0x8DA6B343u) ^ (static_cast<std::uint32_t>(j) * 0xD8163841u);
    x ^= x >> 15;
    x *= 0x2C1B3C6Du;
    x ^= x >> 12;
    x *= 0x297A2D39u;
    x ^= x >> 15;
    return static_cast<float>(x & 0xFFFFFFu) * (1.0f / 16777216.0f);
}

float value(float x, float z) {
    const float fx0 = std::floor(x), fz0 = std::floor(z);
    const auto i = static_cast<std::int32_t>(fx0), j = static_cast<std::int32_t>(fz0);
    const float sx = smooth(x - fx0), sz = smooth(z - fz0);
    const float a = corner(i, j), b = corner(i + 1, j), c = corner(i, j + 1), d = corner(i + 1, j + 1);
    const float near = a + (b - a) * sx;
    const float far = c + (d - c) * sx;
    return near + (far - near) * sz;
}

float fbm(float x, float z) {
    float sum = 0, f = 1, a = 0.5f;
    for (int k = 0; k < 4; ++k) {
        const float fk = static_cast<float>(k);
        sum += a * (2.0f * value(x * f + 31.7f * fk, z * f + 11.3f * fk) - 1.0f);
        f *= 2.03f;
        a *= 0.5f;
    }
    return sum;
}

float ridged(float x, float z) {
    float sum = 0, f = 1, a = 0.5f, w = 1;
    for (int k = 0; k < 5; ++k) {
        const float fk = static_cast<float>(k);
        const float ridge = 1.0f - std::fabs(2.0f * value(x * f + 17.3f * fk, z * f - 9.1f * fk) - 1.0f);
        const float r = ridge * ridge;
        sum += w * a * r;
        w = r;
        f *= 2.1f;
        a *= 0.5f;
    }
    return sum;
}

}  // namespace lumen::alpine::AlpineNoise
