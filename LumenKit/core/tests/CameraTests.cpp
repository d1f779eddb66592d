#include "LumenKit/core/Camera.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

using lumen::CameraDrift;
using lumen::CameraPose;
using lumen::Float2;
using lumen::Float3;

namespace {

// The reef's drift: low floor, high ceiling, so the clamp stays out of the way.
CameraDrift reefDrift() { return {{0, 2.7f, 8.6f}, {0, 2.2f, -5}, {0.75f, 0.4f}, 0.6f, 12}; }

void expectNear(Float3 a, Float3 b, float tolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

}  // namespace

TEST(CameraDrift, SideOffsetsAlternateAndGrow) {
    EXPECT_EQ(CameraDrift::sideOffset(0), 0.0f);
    EXPECT_EQ(CameraDrift::sideOffset(1), -7.0f);
    EXPECT_EQ(CameraDrift::sideOffset(2), 7.0f);
    EXPECT_EQ(CameraDrift::sideOffset(3), -14.0f);
    EXPECT_EQ(CameraDrift::sideOffset(4), 14.0f);
    EXPECT_EQ(CameraDrift::sideOffset(5), -21.0f);
}

TEST(CameraDrift, RestingWanderMatchesTheSineSums) {
    const CameraDrift drift = reefDrift();
    const double t = 123.25;
    const double w = 2 * std::numbers::pi * t;
    const double ex = 0 + 2.6 * std::sin(w / 173) + 0.9 * std::sin(w / 71 + 1.3);
    const double ey = 2.7 + 0.55 * std::sin(w / 97 + 0.4) + 0.2 * std::sin(w / 41 + 2.0);
    const double ez = 8.6 + 1.3 * std::sin(w / 131 + 2.2) + 0.4 * std::sin(w / 59);
    const double tx = 1.4 * std::sin(w / 149 + 0.7) + 0.45 * ex;
    const double ty = 2.2 + 0.35 * std::sin(w / 89 + 1.1);
    const double tz = -5 + std::sin(w / 113 + 0.2);

    const CameraPose pose = drift.pose(0, t, {0, 0});
    expectNear(pose.eye, {float(ex), float(ey), float(ez)}, 1e-5f);
    expectNear(pose.target, {float(tx), float(ty), float(tz)}, 1e-5f);
    EXPECT_EQ(pose.up, (Float3{0, 1, 0}));
}

TEST(CameraDrift, DisplaysShareTheWanderShiftedBy47SecondsAndTheirOffset) {
    const CameraDrift drift = reefDrift();
    const CameraPose first = drift.pose(0, 10.0 + 5 * 47.0, {0, 0});
    const CameraPose fifth = drift.pose(5, 10.0, {0, 0});
    EXPECT_NEAR(fifth.eye.x - first.eye.x, -21.0f, 1e-4f);
    EXPECT_NEAR(fifth.eye.y, first.eye.y, 1e-5f);
    EXPECT_NEAR(fifth.eye.z, first.eye.z, 1e-5f);
    // The target follows 45 % of the eye's sideways shift.
    EXPECT_NEAR(fifth.target.x - first.target.x, 0.45f * -21.0f, 1e-4f);
    EXPECT_NEAR(fifth.target.z, first.target.z, 1e-5f);
}

TEST(CameraDrift, ParallaxIsClampedToUnitRange) {
    const CameraDrift drift = reefDrift();
    EXPECT_EQ(drift.pose(2, 50, {2, -3}), drift.pose(2, 50, {1, -1}));
    EXPECT_EQ(drift.pose(2, 50, {-8, 0.25f}), drift.pose(2, 50, {-1, 0.25f}));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(drift.pose(2, 50, {nan, nan}), drift.pose(2, 50, {0, 0}));
}

TEST(CameraDrift, ParallaxMovesTheEyeAcrossTheViewOnly) {
    const CameraDrift drift = reefDrift();
    const CameraPose rest = drift.pose(0, 300, {0, 0});
    const CameraPose moved = drift.pose(0, 300, {1, 1});
    EXPECT_EQ(moved.target, rest.target);

    const Float3 shift = moved.eye - rest.eye;
    const Float3 forward = normalize(rest.target - rest.eye);
    EXPECT_NEAR(length(shift), std::hypot(0.75f, 0.4f), 1e-5f);
    EXPECT_NEAR(dot(shift, forward), 0.0f, 1e-5f);
    // Rightwards: the shift's sideways part is perpendicular to world up and to the right of forward.
    const Float3 right = normalize(cross(forward, Float3{0, 1, 0}));
    EXPECT_NEAR(dot(shift, right), 0.75f, 1e-5f);
    EXPECT_GT(shift.y, 0.0f);
}

TEST(CameraDrift, EyeHeightIsClampedBetweenFloorAndCeiling) {
    CameraDrift drift = reefDrift();
    drift.floorY = 20;
    drift.ceilingY = 100;
    EXPECT_EQ(drift.pose(0, 7, {0, 0}).eye.y, 20.4f);

    drift.floorY = -100;
    drift.ceilingY = 1;
    EXPECT_EQ(drift.pose(0, 7, {0, 0}).eye.y, 0.5f);

    // When the band is empty the ceiling bound, applied last, wins.
    drift.floorY = 5;
    drift.ceilingY = 5;
    EXPECT_EQ(drift.pose(0, 7, {0, 0}).eye.y, 4.5f);
}
