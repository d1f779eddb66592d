#include "LumenKit/core/Camera.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using lumen::CameraDrift;
using lumen::CameraPose;
using lumen::Float3;

namespace {

// The reef's drift: low floor, high ceiling, so the clamp stays out of the way.
CameraDrift reefDrift() { return {{0, 2.7f, 8.6f}, {0, 2.2f, -5}, {0.75f, 0.4f}, 0.6f, 12}; }

}  // namespace

TEST(CameraDrift, DisplaysSitSideBySideFortySevenSecondsApart) {
    const float offsets[] = {0, -7, 7, -14, 14, -21};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(CameraDrift::sideOffset(i), offsets[i]) << i;
    const CameraDrift drift = reefDrift();
    const CameraPose first = drift.pose(0, 10.0 + 5 * 47.0, {0, 0});
    const CameraPose fifth = drift.pose(5, 10.0, {0, 0});
    EXPECT_NE(first.eye, drift.pose(0, 10.0, {0, 0}).eye);  // the view wanders with time
    EXPECT_NEAR(fifth.eye.x - first.eye.x, -21.0f, 1e-4f);
    EXPECT_NEAR(fifth.eye.z, first.eye.z, 1e-5f);
    // The target follows 45 % of the eye's sideways shift.
    EXPECT_NEAR(fifth.target.x - first.target.x, 0.45f * -21.0f, 1e-4f);
}

TEST(CameraDrift, ParallaxIsClampedAndMovesTheEyeAcrossTheViewOnly) {
    const CameraDrift drift = reefDrift();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(drift.pose(2, 50, {2, -3}), drift.pose(2, 50, {1, -1}));
    EXPECT_EQ(drift.pose(2, 50, {nan, nan}), drift.pose(2, 50, {0, 0}));

    const CameraPose rest = drift.pose(0, 300, {0, 0});
    const CameraPose moved = drift.pose(0, 300, {1, 1});
    EXPECT_EQ(moved.target, rest.target);
    const Float3 shift = moved.eye - rest.eye, forward = normalize(rest.target - rest.eye);
    EXPECT_NEAR(length(shift), std::hypot(0.75f, 0.4f), 1e-5f);
    EXPECT_NEAR(dot(shift, forward), 0.0f, 1e-5f);
    EXPECT_NEAR(dot(shift, normalize(cross(forward, Float3{0, 1, 0}))), 0.75f, 1e-5f);  // rightwards and up
    EXPECT_GT(shift.y, 0.0f);
}

TEST(CameraDrift, EyeStaysBetweenFloorAndCeilingTheCeilingWinning) {
    CameraDrift drift = reefDrift();
    const std::tuple<float, float, float> cases[] = {{20, 100, 20.4f}, {-100, 1, 0.5f}, {5, 5, 4.5f}};
    for (const auto& [floor, ceiling, eyeY] : cases) {
        drift.floorY = floor;
        drift.ceilingY = ceiling;
        EXPECT_EQ(drift.pose(0, 7, {0, 0}).eye.y, eyeY) << floor << ", " << ceiling;
    }
}
