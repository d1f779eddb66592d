#include "scenes/fairytaleCastle/CastleRecords.hpp"

#include "scenekit/MeshBuffers.hpp"

#include "LumenKit/core/Matrices.hpp"
#include "LumenKit/core/SeededRandom.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>

namespace lumen::app {

std::vector<ShaderSlot> CastleSlots::all() {
    return {uniforms, instances, shellCount, lanterns, reflection, MeshBuffers::verticesSlot};
}

}  // namespace lumen::app

namespace lumen::app::CastleRecords {

namespace {

Float3 mix(Float3 a, Float3 b, float s) { return a + (b - a) * s; }

RecordLayout uniformsLayout(const char* vertex, const char* fragment) {
    return {.block = "CastleUniforms",
            .slot = CastleSlots::uniforms,
            .size = sizeof(CastleUniforms),
            .members = {{"viewProjection", offsetof(CastleUniforms, viewProjection)},
                        {"eye", offsetof(CastleUniforms, eye)},
                        {"moonDirection", offsetof(CastleUniforms, moonDirection)},
                        {"moonColor", offsetof(CastleUniforms, moonColor)},
                        {"skyHigh", offsetof(CastleUniforms, skyHigh)},
                        {"skyLow", offsetof(CastleUniforms, skyLow)},
                        {"horizontalAxis", offsetof(CastleUniforms, horizontalAxis)},
                        {"tuning", offsetof(CastleUniforms, tuning)},
                        {"flashPositions[0]", offsetof(CastleUniforms, flashPositions)},
                        {"flashColors[0]", offsetof(CastleUniforms, flashColors)},
                        {"viewport", offsetof(CastleUniforms, viewport)},
                        {"cameraRight", offsetof(CastleUniforms, right)},
                        {"cameraUp", offsetof(CastleUniforms, up)},
                        {"cameraForward", offsetof(CastleUniforms, forward)},
                        {"params", offsetof(CastleUniforms, params)}},
            .vertexFunction = vertex,
            .fragmentFunction = fragment};
}

}  // namespace

std::vector<ShellGPU> shellRecords(const std::vector<castle::Shell>& alive, double t) {
    std::vector<ShellGPU> records;
    float firstStar = 0;
    for (const castle::Shell& s : alive) {
        if (records.size() == static_cast<std::size_t>(maxShells)) break;
        const auto stars = static_cast<float>(s.starCount);
        records.push_back({float4(s.burst, static_cast<float>(s.burstAge(t))),
                           float4(s.origin, s.riseDuration),
                           float4(s.colorA, static_cast<float>(static_cast<int>(s.kind))),
                           float4(s.colorB, std::bit_cast<float>(s.seed)),
                           {s.speed, s.drag, s.life, s.trail},
                           {stars, firstStar, 1, 0}});
        firstStar += stars;
    }
    return records;
}

int starCount(const std::vector<ShellGPU>& records) {
    int total = 0;
    for (const ShellGPU& r : records) total += static_cast<int>(r.info.x);
    return total;
}

float twilight(std::string_view skyMode, float sunElevation) {
    if (skyMode == "twilight") return 1;
    if (skyMode == "night") return 0;
    const float s = std::clamp((sunElevation + 19) / 16, 0.0f, 1.0f);
    return s * s * (3 - 2 * s);
}

std::vector<Float4> lanternRecords(const std::vector<Float3>& lanterns) {
    SeededRandom rng(5);
    std::vector<Float4> records;
    for (const Float3 p : lanterns) records.push_back(float4(p, 6.28f * rng.uniform(0, 1)));
    return records;
}

std::vector<CastleTreeGPU> treeRecords(const std::vector<castle::CastleLayout::Tree>& trees, int kind) {
    std::vector<CastleTreeGPU> records;
    for (const auto& t : trees) {
        if (t.kind == kind) records.push_back({float4(t.position, t.height), {t.width, static_cast<float>(t.kind), t.tint, t.phase}});
    }
    return records;
}

CastleUniforms uniforms(const View& view, double clock, float moonPhase, float moonIllumination, float twilight,
                        const std::vector<castle::FlashLight>& flashes, int lanternCount) {
    const Float3 eye = view.pose.eye, target = view.pose.target;
    const float aspect = static_cast<float>(view.width) / static_cast<float>(std::max(view.height, 1));
    const Float4x4 projection = Matrices::perspective(fieldOfView, aspect, nearPlane, farPlane);
    const Float4x4 look = Matrices::lookAt(eye, target, {0, 1, 0});
    const Float3 forward = normalize(target - eye);
    const Float3 right = normalize(cross(forward, {0, 1, 0}));
    const Float3 up = cross(right, forward);
    const float m = (std::max(moonIllumination, 0.08f) * 0.65f + 0.35f) * 0.55f;

    CastleUniforms u{};
    u.viewProjection = projection * look;
    u.eye = {eye.x, view.mirror ? -eye.y : eye.y, eye.z, static_cast<float>(std::fmod(clock, 3600.0))};
    u.moonDirection = {-0.3889642f, 0.2923717f, -0.8736278f, moonPhase};
    u.moonColor = float4(Float3{0.42f, 0.5f, 0.68f} * m, twilight);
    u.skyHigh = float4(mix({0.0011f, 0.0021f, 0.007f}, {0.0075f, 0.021f, 0.072f}, twilight), 1 - 0.8f * twilight);
    u.skyLow = float4(mix({0.0075f, 0.0105f, 0.022f}, {0.085f, 0.075f, 0.13f}, twilight), 0.35f + 0.35f * (1 - twilight));
    u.horizontalAxis = {0.5299193f, 0, -0.8480481f, 0};
    u.tuning = {0, 0, 0, 0.0065f};
    for (std::size_t i = 0; i < maxFlashes; ++i) {
        const bool has = i < flashes.size();
        u.flashPositions[i] = has ? float4(flashes[i].position, 0) : Float4{0, -1000, 0, 0};
        u.flashColors[i] = has ? float4(flashes[i].color, 0) : Float4{0, 0, 0, 0};
    }
    const auto w = static_cast<float>(view.width), h = static_cast<float>(view.height);
    u.viewport = {w, h, 1 / w, 1 / h};
    u.right = float4(right, aspect * tanHalfFov);
    u.up = float4(up, tanHalfFov);
    u.forward = float4(forward, 2.2f - 0.5f * twilight);
    u.params = {view.mirror ? 1.0f : 0.0f, 0.4f, view.pixelScale, static_cast<float>(lanternCount)};
    return u;
}

std::vector<RecordLayout> layouts() {
    return {
        uniformsLayout("castleVertex", "castleFragment"),
        uniformsLayout("skyVertex", "skyFragment"),
        MeshBuffers::vertexRecord("terrainVertex", "terrainFragment"),
        RecordLayout::vectorStream("Instances", "instanceData[0]", CastleSlots::instances, sizeof(CastleTreeGPU),
                                   "treeVertex", "treeFragment"),
        RecordLayout::vectorStream("Instances", "instanceData[0]", CastleSlots::instances, sizeof(ShellGPU),
                                   "starVertex", "fireFragment"),
        RecordLayout::vectorStream("Lanterns", "lanternData[0]", CastleSlots::lanterns, sizeof(Float4),
                                   "lanternGlowVertex", "lanternGlowFragment"),
        {.block = "ShellCount",
         .slot = CastleSlots::shellCount,
         .size = 16,
         .members = {{"shellCount", 0}},
         .vertexFunction = "starVertex",
         .fragmentFunction = "fireFragment"},
    };
}

}  // namespace lumen::app::CastleRecords
