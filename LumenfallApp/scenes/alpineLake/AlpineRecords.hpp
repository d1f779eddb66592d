#pragma once

#include "scenekit/RecordLayout.hpp"
#include "scenekit/ShaderSlot.hpp"

#include "LumenKit/core/Vector.hpp"
#include "LumenKit/scenes/alpine/AlpineCamera.hpp"
#include "LumenKit/scenes/alpine/AlpineForest.hpp"
#include "LumenKit/scenes/alpine/AlpineLight.hpp"
#include "LumenKit/scenes/alpine/AlpineTerrain.hpp"
#include "LumenKit/scenes/alpine/AlpineWeatherLook.hpp"
#include "LumenKit/sky/SkyState.hpp"

#include <vector>

namespace lumen::app {

// The bindings of AlpineLake.glsl. Texture units are shared by both stages in GL, so the lake's
// reflection gets a unit of its own.
namespace AlpineSlots {
inline constexpr ShaderSlot uniforms{"ALPINE_UNIFORMS_SLOT", 1};
inline constexpr ShaderSlot bake{"ALPINE_BAKE_SLOT", 0};
inline constexpr ShaderSlot grid{"ALPINE_GRID_SLOT", 0};
inline constexpr ShaderSlot trees{"ALPINE_TREES_SLOT", 2};
inline constexpr ShaderSlot nearHeights{"ALPINE_NEAR_HEIGHTS_SLOT", 0};
inline constexpr ShaderSlot farHeights{"ALPINE_FAR_HEIGHTS_SLOT", 1};
inline constexpr ShaderSlot nearNormals{"ALPINE_NEAR_NORMALS_SLOT", 2};
inline constexpr ShaderSlot farNormals{"ALPINE_FAR_NORMALS_SLOT", 3};
inline constexpr ShaderSlot shadow{"ALPINE_SHADOW_SLOT", 4};
inline constexpr ShaderSlot panorama{"ALPINE_PANORAMA_SLOT", 5};
inline constexpr ShaderSlot reflection{"ALPINE_REFLECTION_SLOT", 6};

std::vector<ShaderSlot> all();
}  // namespace AlpineSlots

// Every pass's record (std140 block "AlpineUniforms", twenty vectors).
struct AlpineUniforms {
    Float4x4 viewProjection;
    Float4 eyeClock;
    Float4 sunVisible;
    Float4 moonPhase;
    Float4 sunExposure;
    Float4 ambientMoon;
    Float4 moonFlash;
    Float4 cloudsRain;
    Float4 fogWind;
    Float4 wetDrift;
    Float4 nearRegion;
    Float4 farRegion;
    Float4 forwardTan;
    Float4 rightAspect;
    Float4 mirrorSize;  // x: the reflection flag, read by the tree drawing
    Float4 upYaw;
    Float4 extra;
};
static_assert(sizeof(AlpineUniforms) == 320);
static_assert(offsetof(AlpineUniforms, mirrorSize) == 272);

// One spruce instance: trunk base (w 0), then height, width, tint, phase.
struct AlpineTreeGPU {
    Float4 position;
    Float4 params;
};
static_assert(sizeof(AlpineTreeGPU) == 32);

// What the records are built from besides the pose.
struct AlpineState {
    SkyState sky;
    alpine::AlpineWeatherLook look;
    alpine::AlpineLight light;
    float cloudDrift = 0;
    float flash = 0;
    double clock = 0;
};

namespace AlpineRecords {

inline constexpr float fieldOfView = 0.7679449f;  // 44 degrees, vertical
inline constexpr float nearPlane = 0.5f;
inline constexpr float farPlane = 40000;

std::vector<RecordLayout> layouts();
std::vector<AlpineTreeGPU> trees(const std::vector<alpine::AlpineForest::Tree>& forest);
// The record for a pass of `width` x `height` from `pose`; `mirror` for the reflection.
AlpineUniforms uniforms(const AlpineState& state, const alpine::AlpineCamera::Pose& pose, float yaw, int width,
                        int height, bool mirror);
// The region record: origin x, z, size, texels.
Float4 region(const alpine::AlpineTerrain::MapRegion& region);

}  // namespace AlpineRecords

}  // namespace lumen::app
