#include "LumenKit/sky/SkyState.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace lumen {
namespace {

TEST(SkyState, DirectionsAreRelativeToTheFacingBearing) {
    const float h = std::sqrt(0.5f);
    const std::tuple<double, double, double, Float3> cases[] = {
        {250, 0, 250, {0, 0, -1}},  {340, 0, 250, {1, 0, 0}},  {160, 0, 250, {-1, 0, 0}}, {70, 0, 250, {0, 0, 1}},
        {33, 90, 250, {0, 1, 0}},   {0, -90, 0, {0, -1, 0}},   {90, 45, 0, {h, h, 0}},  // east of north, raised
        {180, 30, 180, {0, 0.5f, -std::sqrt(3.0f) / 2}}};
    for (const auto& [azimuth, elevation, facing, expected] : cases) {
        const Float3 d = SkyState::direction(azimuth, elevation, facing);
        EXPECT_LT(length(d - expected), 1e-6f) << azimuth << " " << elevation << " facing " << facing;
    }
    const SkyState sky{.sunAzimuth = 270, .moonElevation = 60, .moonAzimuth = 90};
    EXPECT_LT(length(sky.sunDirection(180) - Float3{1, 0, 0}), 1e-6f);  // facing south, west is right
    EXPECT_LT(length(sky.moonDirection(90) - Float3{0, std::sqrt(3.0f) / 2, -0.5f}), 1e-6f);
}

TEST(SkyState, DaylightIsASmoothstepFromTenBelowToEightAbove) {
    for (const auto& [elevation, expected] : {std::pair{-40.0f, 0.0f}, {-10, 0}, {-5.5f, 0.15625f}, {8, 1}}) {
        EXPECT_NEAR((SkyState{.sunElevation = elevation}).daylight(), expected, 1e-6f) << elevation;
    }
}

}  // namespace
}  // namespace lumen
