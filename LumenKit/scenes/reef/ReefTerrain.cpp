#include "LumenKit/scenes/reef/ReefTerrain.hpp"

#include "LumenKit/core/Noise.hpp"

#include <algorithm>
#include <cmath>

namespace lumen::reef {

float Terrain::height(float x, float z) const {
    const float n = Noise::fractal({0.05f * x, 0.3f, 0.05f * z}, 3, seed);
    const float dx = (x - moundCenter.x) / 11.0f;
    const float dz = (z - moundCenter.y) / 7.0f;
    const float mound = std::exp(-(dx * dx + dz * dz));
    // The floor climbs smoothly from z = -16 to its full height at z = -46.
    const float s = std::clamp((z + 16.0f) / -30.0f, 0.0f, 1.0f);
    const float backSlope = s * s * (3.0f - 2.0f * s);
    return 1.4f * backSlope + 0.9f * mound + 0.4f * n;
}

}  // namespace lumen::reef
