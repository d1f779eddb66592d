#include "scenes/alpineLake/AlpineRecords.hpp"

#include "scenekit/MeshBuffers.hpp"

#include "LumenKit/core/Matrices.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumen::app {

std::vector<ShaderSlot> AlpineSlots::all() {
    return {uniforms, bake,     grid,     trees,      nearHeights, farHeights, nearNormals,
            farNormals, shadow, panorama, reflection, MeshBuffers::verticesSlot};
}

namespace AlpineRecords {

namespace {

RecordLayout uniformLayout(const char* vertex, const char* fragment) {
    return {.block = "AlpineUniforms",
            .slot = AlpineSlots::uniforms,
            .size = sizeof(AlpineUniforms),
            .members = {{"viewProjection", offsetof(AlpineUniforms, viewProjection)},
                        {"eyeClock", offsetof(AlpineUniforms, eyeClock)},
                        {"sunVisible", offsetof(AlpineUniforms, sunVisible)},
                        {"moonPhase", offsetof(AlpineUniforms, moonPhase)},
                        {"sunExposure", offsetof(AlpineUniforms, sunExposure)},
                        {"ambientMoon", offsetof(AlpineUniforms, ambientMoon)},
                        {"moonFlash", offsetof(AlpineUniforms, moonFlash)},
                        {"cloudsRain", offsetof(AlpineUniforms, cloudsRain)},
                        {"fogWind", offsetof(AlpineUniforms, fogWind)},
                        {"wetDrift", offsetof(AlpineUniforms, wetDrift)},
                        {"nearRegion", offsetof(AlpineUniforms, nearRegion)},
                        {"farRegion", offsetof(AlpineUniforms, farRegion)},
                        {"forwardTan", offsetof(AlpineUniforms, forwardTan)},
                        {"rightAspect", offsetof(AlpineUniforms, rightAspect)},
                        {"mirrorSize", offsetof(AlpineUniforms, mirrorSize)},
                        {"upYaw", offsetof(AlpineUniforms, upYaw)},
                        {"extra", offsetof(AlpineUniforms, extra)}},
            .vertexFunction = vertex,
            .fragmentFunction = fragment};
}

// Finite, or the fallback: a damaged input must not put NaN into a shader.
float safe(float v, float fallback = 0) { return std::isfinite(v) ? v : fallback; }
Float3 safe(Float3 v) { return {safe(v.x), safe(v.y, -1), safe(v.z)}; }

}  // namespace

std::vector<RecordLayout> layouts() {
    return {
        uniformLayout("terrainVertex", "terrainFragment"),
        uniformLayout("treeVertex", "treeFragment"),
        MeshBuffers::vertexRecord("treeVertex", "treeFragment"),
        // The instances and the grid are read as plain vector streams.
        {.block = "TreeInstances", .slot = AlpineSlots::trees, .size = sizeof(AlpineTreeGPU),
         .members = {{"treeData[0]", 0}}, .storage = true, .vertexFunction = "treeVertex", .fragmentFunction = "treeFragment"},
        {.block = "GridVertices", .slot = AlpineSlots::grid, .size = sizeof(Float2),
         .members = {{"gridVertices[0]", 0}}, .storage = true, .vertexFunction = "terrainVertex",
         .fragmentFunction = "terrainFragment"},
        {.block = "AlpineBake",
         .slot = AlpineSlots::bake,
         .size = sizeof(Float4),
         .members = {{"bakeRegion", 0}},
         .vertexFunction = "screenVertex",
         .fragmentFunction = "heightFragment"},
    };
}

std::vector<AlpineTreeGPU> trees(const std::vector<alpine::AlpineForest::Tree>& forest) {
    std::vector<AlpineTreeGPU> records;
    records.reserve(forest.size());
    for (const auto& t : forest) records.push_back({float4(t.position, 0), {t.height, t.width, t.tint, t.phase}});
    return records;
}

Float4 region(const alpine::AlpineTerrain::MapRegion& r) {
    return {r.origin.x, r.origin.y, r.size, static_cast<float>(r.texels)};
}

AlpineUniforms uniforms(const AlpineState& state, const alpine::AlpineCamera::Pose& pose, float yaw, int width,
                        int height, bool mirror) {
    const float aspect = static_cast<float>(width) / static_cast<float>(std::max(height, 1));
    const Float4x4 projection = Matrices::perspective(fieldOfView, aspect, nearPlane, farPlane);
    const Float3 forward = pose.forward;
    const Float3 right = normalize(cross(forward, Float3{0, 1, 0}));
    const Float3 up = cross(right, forward);
    const SkyState& sky = state.sky;
    const alpine::AlpineWeatherLook look = state.look.sanitized();
    const alpine::AlpineLight& light = state.light;
    const float sunElevation = std::clamp(safe(sky.sunElevation, -30), -90.0f, 90.0f);
    const float a = std::clamp((sunElevation + 10.0f) / 18.0f, 0.0f, 1.0f);

    AlpineUniforms u{};
    u.viewProjection = projection * pose.view;
    u.eyeClock = float4(pose.eye, static_cast<float>(std::fmod(state.clock, 3600.0)));
    u.sunVisible = float4(safe(sky.sunDirection(0)), safe(light.sunVisible));
    u.moonPhase = float4(safe(sky.moonDirection(0)), safe(sky.moonPhase));
    u.sunExposure = float4(safe(light.sun), std::clamp(safe(light.exposure, 1), 0.1f, 8.0f));
    u.ambientMoon = float4(safe(light.ambient), std::clamp(safe(sky.moonIllumination), 0.0f, 1.0f));
    u.moonFlash = float4(safe(light.moon), std::clamp(safe(state.flash), 0.0f, 1.0f));
    u.cloudsRain = {look.cloudCover, look.cloudDarkness, look.rain, look.snow};
    u.fogWind = {look.fog, look.wind, look.windFrom, look.snowLine};
    u.wetDrift = {look.wetness, look.lightning, safe(state.cloudDrift),
                  sunElevation};
    u.nearRegion = region(alpine::AlpineTerrain::nearRegion);
    u.farRegion = region(alpine::AlpineTerrain::farRegion);
    u.forwardTan = float4(forward, std::tan(fieldOfView / 2));
    u.rightAspect = float4(right, aspect);
    u.upYaw = float4(up, yaw);
    u.mirrorSize = {mirror ? 1.0f : 0.0f, static_cast<float>(width), static_cast<float>(height), a * a * (3 - 2 * a)};
    u.extra = {std::clamp(safe(sky.moonElevation, -30), -90.0f, 90.0f), static_cast<float>(std::fmod(state.clock, 86400.0)), 0, 0};
    return u;
}

}  // namespace AlpineRecords

}  // namespace lumen::app
