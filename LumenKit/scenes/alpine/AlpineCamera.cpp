#include "LumenKit/scenes/alpine/AlpineCamera.hpp"

#include "LumenKit/core/Matrices.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumen::alpine {

namespace {

float clampUnit(float v) { return std::isnan(v) ? 0.0f : std::clamp(v, -1.0f, 1.0f); }

}  // namespace

float AlpineCamera::displayYaw(int displayIndex) {
    if (displayIndex <= 0) return 0;
    const int k = (displayIndex + 1) / 2;
    return (displayIndex % 2 == 1 ? -0.85f : 0.85f) * static_cast<float>(k);
}

AlpineCamera::Pose AlpineCamera::pose(double time, int displayIndex, Float2 pointer) const {
    const double t = time + 53.0 * displayIndex;
    const double w = 2.0 * std::numbers::pi * t;
    const auto s = [w](double period, double offset) { return static_cast<float>(std::sin(w / period + offset)); };
    const float s1 = s(197, 0), s2 = s(71, 1.0), s3 = s(113, 0.6), s4 = s(151, 2.2), s5 = s(233, 0.3), s6 = s(167, 1.9);

    const float yaw = displayYaw(displayIndex) + 0.035f * s5;
    const float pitch = 0.05f + 0.008f * s6;
    const Float3 forward{std::sin(yaw) * std::cos(pitch), -std::sin(pitch), -std::cos(yaw) * std::cos(pitch)};
    const Float3 right = normalize(cross(forward, Float3{0, 1, 0}));
    const Float2 p{clampUnit(pointer.x), clampUnit(pointer.y)};

    Pose pose;
    pose.eye = eye + Float3{3.5f * s1 + 1.2f * s2, 0.6f * s3, 2.0f * s4} + right * (parallaxReach.x * p.x) +
               Float3{0, parallaxReach.y * p.y, 0};
    pose.forward = forward;
    pose.view = Matrices::lookAt(pose.eye, pose.eye + forward, {0, 1, 0});
    return pose;
}

}  // namespace lumen::alpine
