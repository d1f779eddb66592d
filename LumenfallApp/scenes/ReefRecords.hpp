#pragma once

#include "LumenKit/Camera.hpp"
#include "LumenKit/Vector.hpp"
#include "LumenKit/WaterLook.hpp"

#include <array>

namespace lumen::app {

// The reef shaders' uniform record (std140 block "ReefUniforms", bytes slot 1).
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
    Float4 extra;           // 0.0034906585 (fog per metre), snow count, scale, featureMask
};
static_assert(sizeof(ReefUniforms) == 272);

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

ReefUniforms uniforms(const CameraPose& pose, const WaterLook& look, double clock, int width, int height,
                      float scale, int featureMask);

// Depth-of-field blur radius in pixels for a view `height` rows tall; 0 when featureMask bit 2 is set.
float blurRadius(int height, int featureMask);

}  // namespace ReefRecords

}  // namespace lumen::app
