#include "scenes/deepReef/ReefRecords.hpp"

#include "LumenKit/core/Matrices.hpp"

#include "scenekit/MeshBuffers.hpp"

#include "LumenKit/scenes/reef/ReefSimulation.hpp"

#include <cmath>
#include <cstddef>
#include <numbers>

namespace lumen::app {

std::vector<ShaderSlot> ReefSlots::all() {
    return {uniforms, instances, species, depthOfField, map0, map1, image0, image1, MeshBuffers::verticesSlot};
}

}  // namespace lumen::app

namespace lumen::app::ReefRecords {

namespace {

RecordLayout reefUniformsLayout(const char* vertex, const char* fragment, const char* compute = nullptr) {
    return {.block = "ReefUniforms",
            .slot = ReefSlots::uniforms,
            .size = sizeof(ReefUniforms),
            .members = {{"viewProjection", offsetof(ReefUniforms, viewProjection)},
                        {"eyeTime", offsetof(ReefUniforms, eyeTime)},
                        {"lightDirection", offsetof(ReefUniforms, lightDirection)},
                        {"sunColor", offsetof(ReefUniforms, sunColor)},
                        {"ambientTop", offsetof(ReefUniforms, ambientTop)},
                        {"ambientBottom", offsetof(ReefUniforms, ambientBottom)},
                        {"deepColor", offsetof(ReefUniforms, deepColor)},
                        {"horizonColor", offsetof(ReefUniforms, horizonColor)},
                        {"surfaceColor", offsetof(ReefUniforms, surfaceColor)},
                        {"targetSize", offsetof(ReefUniforms, target)},
                        {"cameraRight", offsetof(ReefUniforms, right)},
                        {"cameraUp", offsetof(ReefUniforms, up)},
                        {"cameraForward", offsetof(ReefUniforms, forward)},
                        {"extra", offsetof(ReefUniforms, extra)}},
            .vertexFunction = vertex,
            .fragmentFunction = fragment,
            .computeFunction = compute};
}

}  // namespace

std::vector<RecordLayout> layouts() {
    return {
        reefUniformsLayout("reefVertex", "reefFragment"),
        reefUniformsLayout(nullptr, nullptr, "causticMapKernel"),
        MeshBuffers::vertexRecord("reefVertex", "reefFragment"),
        RecordLayout::vectorStream("Instances", "instanceData[0]", ReefSlots::instances, sizeof(reef::FishInstanceGPU),
                                   "fishVertex", "fishFragment"),
        RecordLayout::vectorStream("Instances", "instanceData[0]", ReefSlots::instances, sizeof(StrandInstanceGPU),
                                   "strandVertex", "strandFragment"),
        RecordLayout::vectorStream("SpeciesLooks", "speciesData[0]", ReefSlots::species, sizeof(SpeciesLookGPU),
                                   "fishVertex", "fishFragment"),
        RecordLayout::vectorStream("SpeciesLookBuffer", "looks[0]", ReefSlots::species, sizeof(SpeciesLookGPU),
                                   "fishVertex", "fishFragment"),
        {.block = "DepthOfField",
         .slot = ReefSlots::depthOfField,
         .size = sizeof(DepthOfFieldUniforms),
         .members = {{"focusBlur", offsetof(DepthOfFieldUniforms, focusBlur)},
                     {"size", offsetof(DepthOfFieldUniforms, size)}},
         .vertexFunction = "backgroundVertex",
         .fragmentFunction = "dofFragment"},
    };
}

const std::array<SpeciesLookGPU, 12>& speciesLooks() {
    // shape, colorA, colorB, colorC, fins, form per species (see DeepReef.glsl for their use).
    static const std::array<SpeciesLookGPU, 12> looks{{
        {{0, 0.1f, 0.065f, 0}, {0.02f, 0.05f, 0.09f, 1.1f}, {0.5f, 0.56f, 0.6f, 1.2f}, {0.45f, 0.62f, 0.72f, 0.45f},
         {0.9f, 0.36f, 0.5f, 0.7f}, {0.6f, 0.2f, 0.32f, 0}},
        {{0.1f, 0.14f, 0.075f, 1}, {0.95f, 0.3f, 0.22f, 0.4f}, {1, 0.62f, 0.45f, 1.5f}, {0.75f, 0.12f, 0.45f, 0.75f},
         {0.75f, 0.25f, 0.76f, 0.8f}, {0.8f, 0.18f, 0.38f, 0}},
        {{0.85f, 0.3f, 0.06f, 2}, {0.98f, 0.72f, 0.02f, 0.35f}, {0.92f, 0.66f, 0.05f, 0.15f},
         {0.9f, 0.9f, 0.85f, 0.9f}, {0.5f, 0.16f, 0.8f, 0.7f}, {0.5f, 0.14f, 0.55f, 0}},
        {{0.55f, 0.27f, 0.07f, 3}, {0.02f, 0.12f, 0.65f, 0.5f}, {0.005f, 0.005f, 0.02f, 0.25f},
         {1, 0.75f, 0.03f, 0.9f}, {0.4f, 0.18f, 0.8f, 0.75f}, {0.4f, 0.14f, 0.5f, 0}},
        {{0.2f, 0.17f, 0.09f, 4}, {1, 0.3f, 0.01f, 0.45f}, {0.92f, 0.92f, 0.9f, -0.4f}, {0.01f, 0.01f, 0.01f, 0.92f},
         {0.6f, 0.2f, 0.72f, 0.95f}, {0.6f, 0.18f, 0.38f, 0}},
        {{0.9f, 0.33f, 0.06f, 5}, {0.85f, 0.82f, 0.7f, 0.4f}, {0.98f, 0.75f, 0.05f, -0.2f},
         {0.02f, 0.02f, 0.02f, 0.9f}, {0.42f, 0.14f, 0.72f, 0.7f}, {0.42f, 0.12f, 0.45f, 0}},
        {{0.15f, 0.21f, 0.11f, 6}, {0.04f, 0.5f, 0.4f, 0.6f}, {0.95f, 0.36f, 0.48f, 0.7f}, {0.1f, 0.3f, 0.85f, 0.85f},
         {0.35f, 0.2f, 0.76f, 0.85f}, {0.4f, 0.15f, 0.38f, 0}},
        {{0.92f, 0.3f, 0.06f, 7}, {0.98f, 0.52f, 0.04f, 0.45f}, {0.05f, 0.1f, 0.45f, -0.3f}, {0.92f, 0.94f, 1, 0.92f},
         {0.55f, 0.12f, 0.74f, 0.7f}, {0.55f, 0.1f, 0.5f, 0}},
        {{0.9f, 0.31f, 0.06f, 8}, {0.88f, 0.88f, 0.84f, 0.4f}, {0.01f, 0.01f, 0.012f, 0.05f},
         {0.98f, 0.8f, 0.06f, 0.9f}, {0.5f, 0.3f, 0.74f, 0.7f}, {0.5f, 0.15f, 0.48f, 2.2f}},
        {{0.08f, 0.18f, 0.11f, 9}, {0.42f, 0.07f, 0.04f, 0.3f}, {0.25f, 0.55f, 0.95f, -0.45f},
         {0.2f, 0.04f, 0.03f, 0.95f}, {0.38f, 0.22f, 0.76f, 1}, {0.42f, 0.14f, 0.34f, 0}},
        {{0.3f, 0.2f, 0.08f, 10}, {0.03f, 0.22f, 0.9f, 0.7f}, {1, 0.78f, 0.05f, 0.9f}, {0.6f, 0.85f, 1, 0.8f},
         {0.6f, 0.2f, 0.72f, 0.8f}, {0.6f, 0.15f, 0.38f, 0}},
        {{0, 0.13f, 0.08f, 11}, {0.1f, 0.55f, 0.22f, 0.55f}, {0.85f, 0.15f, 0.55f, -0.1f},
         {0.15f, 0.4f, 0.95f, 0.85f}, {0.32f, 0.16f, 0.76f, 0.75f}, {0.32f, 0.12f, 0.42f, 0}},
    }};
    return looks;
}

CameraBasis basis(const CameraPose& pose) {
    const Float3 forward = normalize(pose.target - pose.eye);
    const Float3 right = normalize(cross(forward, pose.up));
    return {right, cross(right, forward), forward};
}

Float3 pointerRay(const CameraPose& pose, Float2 pointer, float aspect) {
    const CameraBasis b = basis(pose);
    return normalize(b.forward + b.right * (pointer.x * aspect * tanHalfFov) + b.up * (pointer.y * tanHalfFov));
}

ReefUniforms uniforms(const CameraPose& pose, const reef::WaterLook& look, double clock, int width, int height,
                      float scale, int featureMask) {
    const float w = static_cast<float>(std::max(width, 1));
    const float h = static_cast<float>(std::max(height, 1));
    const float aspect = w / h;
    const float fov = fieldOfViewDegrees * std::numbers::pi_v<float> / 180.0f;
    const Float4x4 projection = Matrices::perspective(fov, aspect, nearPlane, farPlane);
    const Float4x4 view = Matrices::lookAt(pose.eye, pose.target, pose.up);
    const CameraBasis b = basis(pose);
    ReefUniforms u{};
    u.viewProjection = Matrices::multiply(projection, view);
    u.eyeTime = float4(pose.eye, static_cast<float>(std::fmod(clock, 1800.0)));
    u.lightDirection = float4(look.lightDirection, 14);
    u.sunColor = float4(look.sunColor, look.caustics);
    u.ambientTop = float4(look.ambientTop, look.godRays);
    u.ambientBottom = float4(look.ambientBottom, look.bioluminescence);
    u.deepColor = float4(look.deepColor, look.exposure);
    u.horizonColor = float4(look.horizonColor, 1.3f);
    u.surfaceColor = float4(look.surfaceColor, 0);
    u.target = {w, h, 1.0f / w, 1.0f / h};
    u.right = float4(b.right, aspect * tanHalfFov);
    u.up = float4(b.up, tanHalfFov);
    u.forward = float4(b.forward, 0);
    u.extra = {0.0034906585f, static_cast<float>(snowCount), scale, static_cast<float>(featureMask)};
    return u;
}

float blurRadius(int height, int featureMask) {
    if (featureMask & 4) return 0;
    return static_cast<float>(height) * 5.0f / 1084.0f;
}

}  // namespace lumen::app::ReefRecords
