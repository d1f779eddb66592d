#pragma once

#include "scenekit/RecordLayout.hpp"
#include "scenekit/ShaderSlot.hpp"

#include "LumenKit/core/Vector.hpp"
#include "LumenKit/scenes/castle/CastleCamera.hpp"
#include "LumenKit/scenes/castle/CastleLayout.hpp"
#include "LumenKit/scenes/castle/FireworkMath.hpp"

#include <string_view>
#include <vector>

namespace lumen::app {

// The bindings of FairytaleCastle.glsl, which sees them as "#define"s (plus the mesh vertices').
namespace CastleSlots {
inline constexpr ShaderSlot uniforms{"CASTLE_UNIFORMS_SLOT", 1};
inline constexpr ShaderSlot instances{"CASTLE_INSTANCES_SLOT", 2};
inline constexpr ShaderSlot shellCount{"CASTLE_SHELL_COUNT_SLOT", 3};
inline constexpr ShaderSlot lanterns{"CASTLE_LANTERNS_SLOT", 4};
inline constexpr ShaderSlot reflection{"CASTLE_REFLECTION_SLOT", 0};

std::vector<ShaderSlot> all();
}  // namespace CastleSlots

// The castle shaders' uniform record (std140 block "CastleUniforms").
struct CastleUniforms {
    Float4x4 viewProjection;
    Float4 eye;             // w = clock modulo 3600
    Float4 moonDirection;   // w = moon phase
    Float4 moonColor;       // w = twilight
    Float4 skyHigh;         // w = how much of the star field shows
    Float4 skyLow;          // w = mist over the lake
    Float4 horizontalAxis;  // the band of the Milky Way runs along it
    Float4 tuning;          // w = fog density
    Float4 flashPositions[3];
    Float4 flashColors[3];
    Float4 viewport;  // width, height, 1 / width, 1 / height
    Float4 right;     // w = aspect * tan(17 degrees)
    Float4 up;        // w = tan(17 degrees)
    Float4 forward;   // w = exposure
    Float4 params;    // mirror pass (1) or not (0), star ribbon width, pixel scale, lantern count
};
static_assert(sizeof(CastleUniforms) == 352);

// One tree (32 bytes): foot and height; width, kind, tint, sway phase.
struct CastleTreeGPU {
    Float4 position;
    Float4 params;
};
static_assert(sizeof(CastleTreeGPU) == 32);

// One shell as its shaders read it (96 bytes).
struct ShellGPU {
    Float4 burst;   // w = seconds since the burst (negative while rising)
    Float4 origin;  // w = rise duration
    Float4 colorA;  // w = kind
    Float4 colorB;  // w = the seed's bits
    Float4 motion;  // speed, drag, life, trail
    Float4 info;    // star count, first star, 1, 0
};
static_assert(sizeof(ShellGPU) == 96);

namespace CastleRecords {

inline constexpr int maxShells = 40;
inline constexpr std::size_t maxFlashes = 3;
inline constexpr float tanHalfFov = 0.30573067f;  // tan(17 degrees)
inline constexpr float fieldOfView = 0.5934119f;  // 34 degrees
inline constexpr float nearPlane = 1;
inline constexpr float farPlane = 9000;

// The first maxShells of `alive` at scene time t, with their running first-star indices.
std::vector<ShellGPU> shellRecords(const std::vector<castle::Shell>& alive, double t);
int starCount(const std::vector<ShellGPU>& records);

// 1 for "twilight", 0 for "night"; by the clock, rising from 19 to 3 degrees below the horizon.
float twilight(std::string_view skyMode, float sunElevation);

// Lantern instances: lamp centre and a flicker phase.
std::vector<Float4> lanternRecords(const std::vector<Float3>& lanterns);
std::vector<CastleTreeGPU> treeRecords(const std::vector<castle::CastleLayout::Tree>& trees, int kind);

struct View {
    castle::CastlePose pose;
    int width = 1;
    int height = 1;
    float pixelScale = 1;
    bool mirror = false;
};
CastleUniforms uniforms(const View& view, double clock, float moonPhase, float moonIllumination, float twilight,
                        const std::vector<castle::FlashLight>& flashes, int lanternCount);

std::vector<RecordLayout> layouts();

}  // namespace CastleRecords

}  // namespace lumen::app
