#include "LumenKit/scenes/earth/EarthCamera.hpp"

#include "LumenKit/scenes/earth/EarthGeometry.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumen::earth {

namespace {

constexpr double radians = std::numbers::pi / 180.0;
constexpr float orbitSideYaw = 1.2f;
constexpr double globeSideDegrees = 100.0;
constexpr float lookDown = -0.78f;

struct Double3 {
    double x, y, z;
};

Double3 onOrbit(double u, double node) {
    const double i = EarthGeometry::inclination;
    return {std::cos(u) * std::cos(node) - std::sin(u) * std::cos(i) * std::sin(node),
            std::cos(u) * std::sin(node) + std::sin(u) * std::cos(i) * std::cos(node), std::sin(u) * std::sin(i)};
}

// Side displays look elsewhere; the sign pattern is the orbit view's, the globe turns the other way.
float sideOf(int displayIndex) {
    if (displayIndex == 0) return 0;
    return displayIndex % 2 != 0 ? 1.0f : -1.0f;
}

// `v` turned by `angle` about the unit axis `axis`.
Float3 rotated(Float3 v, Float3 axis, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    return v * c + cross(axis, v) * s + axis * (dot(axis, v) * (1 - c));
}

}  // namespace

EarthCamera::OrbitPoint EarthCamera::orbitPoint(double time, double latitude, double longitude) {
    const double i = EarthGeometry::inclination;
    const double a = std::clamp(latitude, -EarthGeometry::latitudeCap, EarthGeometry::latitudeCap) * radians;
    const double u0 = std::asin(std::clamp(std::sin(a) / std::sin(i), -1.0, 1.0));
    const double node = longitude * radians - std::atan2(std::sin(u0) * std::cos(i), std::cos(u0));
    const double u = u0 + EarthGeometry::angularSpeed * time;
    const Double3 p = onOrbit(u, node);
    const Double3 q = onOrbit(u + 0.001, node);
    const Float3 position{static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
    const Float3 motion{static_cast<float>(q.x - p.x), static_cast<float>(q.y - p.y), static_cast<float>(q.z - p.z)};
    return {position, normalize(motion)};
}

EarthCamera EarthCamera::make(std::string_view view, double clock, int displayIndex, double latitude, double longitude,
                              Float2 parallax) {
    if (view == "globe") {
        const double lon = (longitude - globeSideDegrees * sideOf(displayIndex) + 4.0 * parallax.x) * radians;
        const double lat = (0.6 * latitude + 3.0 * parallax.y) * radians;
        const Float3 n{static_cast<float>(std::cos(lat) * std::cos(lon)),
                       static_cast<float>(std::cos(lat) * std::sin(lon)), static_cast<float>(std::sin(lat))};
        const Float3 forward = -n;
        const Float3 right = normalize(cross(forward, Float3{0, 0, 1}));
        return {n * 3.0f, forward, right, cross(right, forward)};
    }
    const OrbitPoint orbit = orbitPoint(clock, latitude, longitude);
    const Float3 vertical = normalize(orbit.position);
    const float yaw = orbitSideYaw * sideOf(displayIndex) + 0.04f * parallax.x;
    const float pitch = lookDown + 0.02f * parallax.y;
    const Float3 heading = rotated(orbit.motion, vertical, yaw);
    const Float3 forward = normalize(heading * std::cos(pitch) + vertical * std::sin(pitch));
    const Float3 right = normalize(cross(forward, vertical));
    return {vertical * static_cast<float>(EarthGeometry::cameraRadius), forward, right, cross(right, forward)};
}

}  // namespace lumen::earth
