#pragma once

#include "scenekit/RecordLayout.hpp"
#include "scenekit/ShaderSlot.hpp"

#include "LumenKit/core/Camera.hpp"
#include "LumenKit/core/Vector.hpp"
#include "LumenKit/scenes/reef/WaterLook.hpp"

#include <array>
#include <vector>

namespace lumen::app {

// The binding bindings of DeepReef.glsl, which sees them as "#define"s (plus the mesh vertices').
namespace ReefSlots {
inline constexpr ShaderSlot uniforms{"REEF_UNIFORMS_SLOT", 1};
inline constexpr ShaderSlot instances{"REEF_INSTANCES_SLOT", 2};
inline constexpr ShaderSlot species{"REEF_SPECIES_SLOT", 3};
inline constexpr ShaderSlot depthOfField{"REEF_DEPTH_OF_FIELD_SLOT", 0};
// Textures: caustics and shafts in the reef pass, colour and depth in the composite.
inline constexpr ShaderSlot map0{"REEF_MAP0_SLOT", 0};
inline constexpr ShaderSlot map1{"REEF_MAP1_SLOT", 1};
// Images of the light-map kernels.
inline constexpr ShaderSlot image0{"REEF_IMAGE0_SLOT", 0};
inline constexpr ShaderSlot image1{"REEF_IMAGE1_SLOT", 1};

// Every slot, for the shader library.
std::vector<ShaderSlot> all();
}  // namespace ReefSlots

// The reef shaders' uniform record (std140 block "ReefUniforms").
struct ReefUniforms {
    Float4x4 viewProjection;
    Float4 eyeTime;         // eye; w = clock modulo 1800
    Float4 lightDirection;  // w = 14 (caustic focus depth, metres)
    Float4 sunColor;        // w = caustics strength
    Float4 ambientTop;      // w = god-ray strength
    Float4 ambientBottom;   // w = bioluminescence
    Float4 deepColor;       // w = exposure
    Float4 horizonColor;    // w = 1.3 (fog density scale)
    Float4 surfaceColor;    // w = 0
    Float4 target;          // width, height, 1 / width, 1 / height
    Float4 right;           // w = aspect * tan(19 degrees)
    Float4 up;              // w = tan(19 degrees)
    Float4 forward;         // w = 0
    Float4 extra;           // 2 pi / 1800 (every loop turns whole times per 1800 s), snow count,
                            // scale, featureMask
};
static_assert(sizeof(ReefUniforms) == 272);

// The depth-of-field composite's record (std140 block "DepthOfField").
struct DepthOfFieldUniforms {
    Float4 focusBlur;  // focus (m), blur radius (pixels), near, far
    Float4 size;       // width, height, 1 / width, 1 / height
};
static_assert(sizeof(DepthOfFieldUniforms) == 32);

// One kelp stalk or seagrass blade (32 bytes).
struct StrandInstanceGPU {
    Float4 base;    // xyz base, w = height
    Float4 params;  // width, phase, tint, kind (0 kelp, 1 seagrass)
};
static_assert(sizeof(StrandInstanceGPU) == 32);

// How one species looks to the fish shaders (96 bytes); shape.w is the species index.
struct SpeciesLookGPU {
    Float4 shape;
    Float4 colorA;
    Float4 colorB;
    Float4 colorC;
    Float4 fins;
    Float4 form;
};
static_assert(sizeof(SpeciesLookGPU) == 96);

namespace ReefRecords {

inline constexpr float fieldOfViewDegrees = 38;
inline constexpr float nearPlane = 0.15f;
inline constexpr float farPlane = 220;
inline constexpr float tanHalfFov = 0.3443276f;  // tan(19 degrees)
inline constexpr int snowCount = 2600;

// The twelve species looks in species-index order.
const std::array<SpeciesLookGPU, 12>& speciesLooks();

// Right, up and forward of a pose (right-handed, up from the pose's up vector).
struct CameraBasis {
    Float3 right;
    Float3 up;
    Float3 forward;
};
CameraBasis basis(const CameraPose& pose);

// Unit ray from the eye through a pointer position in [-1, 1] (y up) of a view with `aspect`.
Float3 pointerRay(const CameraPose& pose, Float2 pointer, float aspect);

// Every record above and the instances and meshes against the GLSL blocks that read them.
std::vector<RecordLayout> layouts();

ReefUniforms uniforms(const CameraPose& pose, const reef::WaterLook& look, double clock, int width, int height,
                      float scale, int featureMask);

// Depth-of-field blur radius in pixels for a view `height` rows tall; 0 when featureMask bit 2 is set.
float blurRadius(int height, int featureMask);

}  // namespace ReefRecords

}  // namespace lumen::app
