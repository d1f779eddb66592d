#pragma once

#include "LumenKit/core/Mesh.hpp"
#include "LumenKit/scenes/reef/Palette.hpp"
#include "LumenKit/core/Vector.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <numbers>
#include <span>
#include <vector>

namespace lumen::reef {

// Small geometry pieces shared by the reef item builders.
namespace ReefShapes {

// Untinted vertex colour, and a full turn in radians.
inline constexpr Float4 white{1, 1, 1, 0};
inline constexpr float tau = 2.0f * std::numbers::pi_v<float>;

inline Float3 mix(Float3 a, Float3 b, float t) { return a + (b - a) * t; }
inline float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }
inline float smoothstep(float a, float b, float v) {
    const float t = clamp01((v - a) / (b - a));
    return t * t * (3.0f - 2.0f * t);
}

// Turns p by `angle` radians about +y (x towards -z for a positive angle).
Float3 rotateY(Float3 p, float angle);
// Unit direction at latitude theta from +y and longitude phi, as the ellipsoid builder uses.
Float3 sphereDirection(float theta, float phi);
// A 64-bit seed folded to 32 bits for the noise functions.
std::uint32_t fold(std::uint64_t seed);

// Calls `paint` on every vertex from `first` on; builders set colours and w lanes with it.
template <typename Paint>
void paint(Mesh& mesh, std::size_t first, Paint paint) {
    for (std::size_t i = first; i < mesh.vertices.size(); ++i) paint(mesh.vertices[i]);
}

// Colour and lanes of an upright growth by height: deep at the foot, bright at `height`;
// sway `flex` t^2, occlusion from `aoFloor` at the foot to 1, glow `glow` t.
void paintUpright(Mesh& mesh, std::size_t first, const ColourPair& colours, float height, float flex, float glow,
                  float aoFloor);

// Surface of revolution about +y through the (radius, y) profile points, `segments` round;
// the radius is multiplied by ripple(phi, v), v running 0 ... 1 along the profile. Normals face
// away from the wall's solid side when the profile climbs the outside first. Position w holds v.
void appendLathe(Mesh& mesh, std::span<const Float2> profile, int segments,
                 const std::function<float(float phi, float v)>& ripple, Float4 colour);

// `points` points from `start` along `direction` over `length`, bowing towards `bend` (added
// in full at the end, quadratically).
std::vector<Float3> bentPath(Float3 start, Float3 direction, float length, Float3 bend, int points);

// Tube with a rounded blob at its last point.
void appendCappedTube(Mesh& mesh, std::span<const Float3> path, float rootRadius, float tipRadius, int sides,
                      Float4 colour);

}  // namespace ReefShapes

}  // namespace lumen::reef
