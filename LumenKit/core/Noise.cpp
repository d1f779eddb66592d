#include "LumenKit/core/Noise.hpp"

#include <cmath>

namespace lumen::Noise {

namespace {

constexpr std::uint32_t primeX = 0x8DA6B343u;
constexpr std::uint32_t primeY = 0xD8163841u;
constexpr std::uint32_t primeZ = 0xCB1AB31Fu;
constexpr std::uint32_t primeSeed = 0x165667B1u;

// Lattice coordinate as a wrapping 32-bit integer. Out-of-range floors (and NaN) would make the
// float-to-int conversion undefined, so they are pinned to the nearest representable cell.
std::uint32_t latticeCoordinate(float floored) {
    if (!(floored >= -2147483648.0f)) return floored != floored ? 0u : 0x80000000u;
    if (floored >= 2147483648.0f) return 0x7FFFFFFFu;
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(floored));
}

float cornerValue(std::uint32_t hx, std::uint32_t hy, std::uint32_t hz, std::uint32_t hs) {
    std::uint32_t h = hx ^ hy ^ hz ^ hs;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return static_cast<float>(h & 0xFFFFFFu) / 16777215.0f;
}

float mix(float a, float b, float t) { return a + (b - a) * t; }

float smooth(float f) { return f * f * (3.0f - 2.0f * f); }

}  // namespace

float value(Float3 q, std::uint32_t seed) {
    const float fx = std::floor(q.x), fy = std::floor(q.y), fz = std::floor(q.z);
    const std::uint32_t ix = latticeCoordinate(fx), iy = latticeCoordinate(fy), iz = latticeCoordinate(fz);
    const float ux = smooth(q.x - fx), uy = smooth(q.y - fy), uz = smooth(q.z - fz);

    // (i + d) * prime in wrapping arithmetic is the same as i * prime + d * prime.
    const std::uint32_t x0 = ix * primeX, x1 = (ix + 1u) * primeX;
    const std::uint32_t y0 = iy * primeY, y1 = (iy + 1u) * primeY;
    const std::uint32_t z0 = iz * primeZ, z1 = (iz + 1u) * primeZ;
    const std::uint32_t s = seed * primeSeed;

    const float x00 = mix(cornerValue(x0, y0, z0, s), cornerValue(x1, y0, z0, s), ux);
    const float x10 = mix(cornerValue(x0, y1, z0, s), cornerValue(x1, y1, z0, s), ux);
    const float x01 = mix(cornerValue(x0, y0, z1, s), cornerValue(x1, y0, z1, s), ux);
    const float x11 = mix(cornerValue(x0, y1, z1, s), cornerValue(x1, y1, z1, s), ux);
    const float y0v = mix(x00, x10, uy);
    const float y1v = mix(x01, x11, uy);
    const float result = mix(y0v, y1v, uz);
    // Rounding in the blends may step an ulp outside the corner range.
    return result < 0.0f ? 0.0f : (result > 1.0f ? 1.0f : result);
}

float value(Float2 p, std::uint32_t seed) { return value(Float3{p.x, 0.5f, p.y}, seed); }

float fractal(Float3 q, int octaves, std::uint32_t seed) {
    float sum = 0.0f;
    float norm = 0.0f;
    float amplitude = 0.5f;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += amplitude * (2.0f * value(q, seed) - 1.0f);
        norm += amplitude;
        amplitude *= 0.5f;
        q *= 2.03f;
        seed += 1u;
    }
    return sum / norm;
}

}  // namespace lumen::Noise
