#include "LumenKit/scenes/alpine/AlpineTerrain.hpp"

#include "LumenKit/scenes/alpine/AlpineNoise.hpp"

#include <algorithm>
#include <cmath>

namespace lumen::alpine::AlpineTerrain {

namespace {

using AlpineNoise::fbm;
using AlpineNoise::ridged;
using AlpineNoise::smooth;
using AlpineNoise::value;

float ramp(float t) { return smooth(std::clamp(t, 0.0f, 1.0f)); }

float ellipse(float x, float z, Float2 centre, Float2 radii) {
    return std::hypot((x - centre.x) / radii.x, (z - centre.y) / radii.y);
}

}  // namespace

float lakeField(float x, float z) {
    const float wobble = 0.09f * (2.0f * value(x / 260.0f, z / 260.0f) - 1.0f) +
                         0.04f * (2.0f * value(x / 90.0f, z / 90.0f) - 1.0f);
    return (wobble + ellipse(x, z, lakeCentre, lakeRadii) - 1.0f) * 520.0f;
}

float height(float x, float z) {
    const float d = lakeField(x, z);
    if (d < 0) return -0.6f - 16.0f * ramp(d / -260.0f);

    const float wx = x + 520.0f * fbm(x / 3100.0f, z / 3100.0f);
    const float wz = z + 520.0f * fbm(x / 3100.0f + 5.2f, z / 3100.0f - 5.2f);
    const float r1 = ridged(wx / 3300.0f, wz / 3300.0f);
    const float r2 = ridged(wx / 1150.0f + 5.0f, wz / 1150.0f - 3.0f);

    const float rise = 4.0f * ramp(d / 70.0f) + (560.0f * ramp(d / 1000.0f) + 1250.0f * ramp((d - 600.0f) / 3600.0f)) *
                                                    (0.8f * r1 + 0.25f + 0.35f * r2);
    const float mA = std::pow(std::max(0.0f, 1.0f - ellipse(x, z, massifACentre, massifARadii)), 1.75f) * 2650.0f *
                     (0.2f * r1 + 0.42f * r2 + 0.68f);
    const float a = std::max(0.0f, mA - 0.55f * rise);
    const float mB = std::pow(std::max(0.0f, 1.0f - ellipse(x, z, massifBCentre, massifBRadii)), 1.6f) * 1750.0f *
                     (0.45f * r2 + 0.7f);
    const float b = std::max(0.0f, mB - 0.6f * rise);

    const float q = fbm(x / 320.0f, z / 320.0f);
    const float g = value(x / 7.0f, z / 7.0f);
    return a + b + rise + 38.0f * q * ramp((d - 72.0f) / 440.0f) + 1.4f * (g - 0.5f) * ramp((d - 4.0f) / 36.0f);
}

Float3 normal(float x, float z, float step) {
    return normalize(Float3{height(x - step, z) - height(x + step, z), 2.0f * step,
                            height(x, z - step) - height(x, z + step)});
}

Float2 texelCentre(const MapRegion& region, int column, int row) {
    const float texel = region.size / static_cast<float>(region.texels);
    return {region.origin.x + (static_cast<float>(column) + 0.5f) * texel,
            region.origin.y + (static_cast<float>(row) + 0.5f) * texel};
}

std::vector<float> bake(const MapRegion& region, int stride) {
    std::vector<float> heights;
    stride = std::max(stride, 1);
    for (int row = 0; row < region.texels; row += stride) {
        for (int column = 0; column < region.texels; column += stride) {
            const Float2 p = texelCentre(region, column, row);
            heights.push_back(height(p.x, p.y));
        }
    }
    return heights;
}

}  // namespace lumen::alpine::AlpineTerrain
