#pragma once

#include "scenekit/RecordLayout.hpp"
#include "scenekit/ShaderSlot.hpp"

#include "LumenKit/core/Vector.hpp"
#include "LumenKit/scenes/rainglass/BokehLight.hpp"
#include "LumenKit/scenes/rainglass/RainDrop.hpp"
#include "LumenKit/scenes/rainglass/WipeStroke.hpp"

#include <vector>

namespace lumen::app {

// The bindings of RainyWindow.glsl, which sees them as "#define"s.
namespace RainSlots {
inline constexpr ShaderSlot uniforms{"RAIN_UNIFORMS_SLOT", 1};
inline constexpr ShaderSlot instances{"RAIN_INSTANCES_SLOT", 2};
inline constexpr ShaderSlot lightCount{"RAIN_LIGHT_COUNT_SLOT", 3};
inline constexpr ShaderSlot layers{"RAIN_LAYERS_SLOT", 0};

std::vector<ShaderSlot> all();
}  // namespace RainSlots

// Every pass's record (std140 block "RainUniforms").
struct RainUniforms {
    Float4 target;  // width, height, 1 / width, 1 / height of the pass
    Float4 view;    // view aspect, side, clock mod 3600, dt
    Float4 look;    // daylight, cafe (1) or street (0), lightning, exposure
    Float4 extra;   // parallax x, y, intensity, mip levels of the layers texture
};
static_assert(sizeof(RainUniforms) == 64);

struct DropGPU {
    Float4 shape;  // x, y, radius, speed in pane units
    Float4 info;   // seed
};
static_assert(sizeof(DropGPU) == 32);

struct StrokeGPU {
    Float4 ends;  // from, to
    Float4 info;  // radius
};
static_assert(sizeof(StrokeGPU) == 32);

struct BokehGPU {
    Float4 posSize;  // x, y, size, kind
    Float4 color;    // rgb, flicker phase
    Float4 extra;    // reflection
};
static_assert(sizeof(BokehGPU) == 48);

struct LightCountGPU {
    std::uint32_t count;
    std::uint32_t padding[3];
};

namespace RainRecords {
DropGPU drop(const rainglass::RainDrop& drop);
StrokeGPU stroke(const rainglass::WipeStroke& stroke);
BokehGPU bokeh(const rainglass::BokehLight& light);
// The side offset of a display: 0 for the first, then alternating.
float side(int displayIndex);
RainUniforms uniforms(Float2 passSize, float aspect, int displayIndex, double clock, float dt, float daylight,
                      bool cafe, float lightning, Float2 parallax, float intensity, int mipLevels);
std::vector<RecordLayout> layouts();
}  // namespace RainRecords

}  // namespace lumen::app
