#include "scenes/rainyWindowCafe/RainRecords.hpp"

#include <cmath>
#include <cstddef>

namespace lumen::app {

std::vector<ShaderSlot> RainSlots::all() { return {uniforms, instances, lightCount, layers}; }

namespace RainRecords {

DropGPU drop(const rainglass::RainDrop& d) {
    return {{d.position.x, d.position.y, d.radius, d.speed}, {d.seed, 0, 0, 0}};
}

StrokeGPU stroke(const rainglass::WipeStroke& s) { return {{s.from.x, s.from.y, s.to.x, s.to.y}, {s.radius, 0, 0, 0}}; }

BokehGPU bokeh(const rainglass::BokehLight& l) {
    return {{l.position.x, l.position.y, l.size, static_cast<float>(static_cast<int>(l.kind))},
            float4(l.color, l.phase),
            {l.reflection, 0, 0, 0}};
}

float side(int displayIndex) {
    if (displayIndex == 0) return 0;
    return displayIndex % 2 != 0 ? -0.95f : 0.95f;
}

RainUniforms uniforms(Float2 passSize, float aspect, int displayIndex, double clock, float dt, float daylight,
                      bool cafe, float lightning, Float2 parallax, float intensity, int mipLevels) {
    const float w = std::max(passSize.x, 1.0f);
    const float h = std::max(passSize.y, 1.0f);
    return {{w, h, 1 / w, 1 / h},
            {aspect, side(displayIndex), static_cast<float>(std::fmod(clock, 3600.0)), dt},
            {daylight, cafe ? 1.0f : 0.0f, lightning, (1 - daylight) * 0.35f + 1.05f},
            {parallax.x, parallax.y, intensity, static_cast<float>(mipLevels)}};
}

namespace {

RecordLayout uniformLayout(const char* vertex, const char* fragment) {
    return {.block = "RainUniforms",
            .slot = RainSlots::uniforms,
            .size = sizeof(RainUniforms),
            .members = {{"uTarget", offsetof(RainUniforms, target)},
                        {"uView", offsetof(RainUniforms, view)},
                        {"uLook", offsetof(RainUniforms, look)},
                        {"uExtra", offsetof(RainUniforms, extra)}},
            .vertexFunction = vertex,
            .fragmentFunction = fragment};
}

RecordLayout stream(std::size_t size, const char* vertex, const char* fragment) {
    return {.block = "Instances",
            .slot = RainSlots::instances,
            .size = size,
            .members = {{"instanceData[0]", 0}},
            .storage = true,
            .vertexFunction = vertex,
            .fragmentFunction = fragment};
}

}  // namespace

std::vector<RecordLayout> layouts() {
    return {
        uniformLayout("screenVertex", "glassFragment"),
        uniformLayout("bokehVertex", "bokehFragment"),
        stream(sizeof(BokehGPU), "bokehVertex", "bokehFragment"),
        stream(sizeof(StrokeGPU), "strokeVertex", "strokeFragment"),
        stream(sizeof(DropGPU), "dropVertex", "dropFragment"),
        {.block = "LightCount",
         .slot = RainSlots::lightCount,
         .size = sizeof(LightCountGPU),
         .members = {{"uLightCount", 0}},
         .vertexFunction = "bokehVertex",
         .fragmentFunction = "bokehFragment"},
    };
}

}  // namespace RainRecords

}  // namespace lumen::app
