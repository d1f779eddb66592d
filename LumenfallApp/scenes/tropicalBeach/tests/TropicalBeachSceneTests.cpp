#include "support/ShaderSceneTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "scenes/tropicalBeach/TropicalBeachScene.hpp"

#include <tuple>

namespace lumen::app::test {

namespace {

SceneFrame beachFrameWith(std::map<std::string, std::string> options, double dt = 0) {
    SceneFrame frame;
    frame.dt = dt;
    frame.options.values = std::move(options);
    frame.sky.sunElevation = 41;
    frame.sky.sunAzimuth = 205;
    frame.sky.hour = 13.5f;
    return frame;
}

}  // namespace

using TropicalBeachSceneTest = ShaderSceneTest<TropicalBeachScene>;

// The pinned sun rises and sinks between 3.2 and 0 degrees over ten minutes of scene time, in the
// west; any sky option but the default shows the frame's own sky.
TEST_F(TropicalBeachSceneTest, SunsetHoversOverTheSeaUnlessTheClockRules) {
    auto scene = make();
    const std::pair<double, float> clocks[] = {{0, 3.2f}, {150, 1.6f}, {300, 0}, {600, 3.2f}, {900, 0}};
    double at = 0;
    for (const auto& [clock, elevation] : clocks) {
        scene->update(beachFrameWith({}, clock - at));
        at = clock;
        EXPECT_NEAR(scene->sky().sunElevation, elevation, 1e-4) << clock;
        EXPECT_EQ(scene->sky().sunAzimuth, 262) << clock;
        EXPECT_EQ(scene->sky().hour, 13.5f) << clock;  // the rest of the frame's sky stays
    }
    for (const char* value : {"clock", "noon"}) {
        scene->update(beachFrameWith({{"sky", value}}, 0.1));
        EXPECT_EQ(scene->sky(), beachFrameWith({}).sky) << value;
    }
}

// Neighbouring displays step sideways; parallax nudges the camera; only "rolling" raises waves.
TEST_F(TropicalBeachSceneTest, ParametersFollowDisplayParallaxAndWaves) {
    using Option = std::optional<std::string>;
    const std::pair<Option, float> waves[] = {{"rolling", 1}, {"gentle", 0}, {"stormy", 0}, {std::nullopt, 0}};
    for (const auto& [option, amount] : waves) EXPECT_EQ(TropicalBeachScene::wavesAmount(option), amount);

    auto scene = make();
    scene->update(beachFrameWith({{"waves", "rolling"}}, 0.1));
    const std::pair<int, float> sides[] = {{0, 0}, {1, -0.8f}, {2, 0.8f}, {3, -0.8f}, {4, 0.8f}};
    for (const auto& [display, side] : sides) {
        const auto p = scene->uniforms(SceneView{.displayIndex = display, .parallax = {0.5f, -1}}, 8, 8, false).parameters[0];
        EXPECT_FLOAT_EQ(p.x, 0.2f) << display;
        EXPECT_FLOAT_EQ(p.y, 1.45f) << display;
        EXPECT_FLOAT_EQ(p.z, side) << display;
        EXPECT_EQ(p.w, 1) << display;
    }
}

// At sunset the sky just above the sea glows orange, and the sea below it is darker than the sky.
TEST_F(TropicalBeachSceneTest, SunsetStillGlowsWarmAboveADarkerSea) {
    auto scene = make();
    SceneFrame frame = beachFrameWith({}, 0);
    scene->prewarm(frame, 60);
    const auto still = renderStill(*scene, 192, 108, frame);
    ASSERT_TRUE(still);
    // The horizon lies at row 61; the palms stand right of column 125.
    auto band = [&](int top, int bottom) {
        std::array<double, 3> sum{};
        for (int y = top; y < bottom; ++y)
            for (int x = 10; x < 120; ++x)
                for (int c = 0; c < 3; ++c) sum[c] += still->pixel(x, y)[c];
        return sum;
    };
    const auto sky = band(44, 58);
    const auto sea = band(64, 74);
    EXPECT_GT(sky[0], sky[2] * 1.4);
    EXPECT_GT(sky[0], sky[1] * 1.15);
    EXPECT_LT(sea[0] + sea[1] + sea[2], 0.9 * (sky[0] + sky[1] + sky[2]));
}

}  // namespace lumen::app::test
