#include "support/ShaderSceneTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "scenes/cozyLibrary/CozyLibraryScene.hpp"

#include "LumenKit/sky/SkyClock.hpp"

#include <array>
#include <tuple>

namespace lumen::app::test {

namespace {

using Option = std::optional<std::string>;

SkyState librarySkyAt(double hour) {
    const SkyState::Instant day{std::chrono::duration<double>(1'780'000'000.0)};  // a June day
    return SkyClock::state(day, hour, Place{"", 51.5, -0.1}, nullptr);
}

// Mean of the red, green and blue bytes over a box given in fractions of the image.
std::array<double, 3> regionColour(const gpu::ImageRGBA8& image, double x0, double y0, double x1, double y1) {
    std::array<double, 3> sum{};
    int count = 0;
    for (int y = int(y0 * image.height); y < int(y1 * image.height); ++y) {
        for (int x = int(x0 * image.width); x < int(x1 * image.width); ++x, ++count) {
            const auto p = image.pixel(x, y);
            for (int c = 0; c < 3; ++c) sum[c] += p[c];
        }
    }
    for (double& s : sum) s /= count;
    return sum;
}

}  // namespace

using CozyLibrarySceneTest = ShaderSceneTest<CozyLibraryScene>;

// "night" keeps the sun 20 degrees down whatever the hour; every other value shows the real sky.
// Neighbouring displays look left and right of the first; rain is halved with reduced motion.
TEST_F(CozyLibrarySceneTest, OutsideSideAndRainFollowTheirOptions) {
    const SkyState noon = librarySkyAt(12);
    for (const auto& [option, night] : {std::pair<Option, bool>{"night", true}, {"clock", false}, {"dusk", false},
                                        {std::nullopt, false}}) {
        SkyState expected = noon;
        if (night) expected.sunElevation = -20;
        EXPECT_EQ(CozyLibraryScene::outsideSky(noon, option), expected) << option.value_or("-");
    }
    for (const auto& [display, side] : {std::pair{0, 0.0f}, {1, -0.25f}, {2, 0.25f}, {3, -0.25f}, {4, 0.25f}}) {
        EXPECT_EQ(CozyLibraryScene::side(display), side) << display;
    }
    const std::tuple<Option, bool, float> rains[] = {{"steady", false, 0.8f}, {"light", false, 0.4f},
                                                     {"none", false, 0.0f},   {"pouring", false, 0.8f},
                                                     {std::nullopt, false, 0.8f}, {"steady", true, 0.4f},
                                                     {"light", true, 0.2f},   {"none", true, 0.0f}};
    for (const auto& [option, reduced, rain] : rains) {
        EXPECT_FLOAT_EQ(CozyLibraryScene::rainAmount(option, reduced), rain) << option.value_or("-") << reduced;
    }

    // Through the scene: the sky it keeps and the vector the shader gets.
    auto scene = make();
    SceneFrame frame;
    frame.dt = 0.1;
    frame.sky = noon;
    frame.reduceMotion = true;
    frame.options.values = {{"outside", "night"}, {"rain", "light"}};
    scene->update(frame);
    EXPECT_EQ(scene->sky().sunElevation, -20);
    EXPECT_EQ(scene->sky().sunAzimuth, noon.sunAzimuth);
    const Float4 p = scene->uniforms(SceneView{.displayIndex = 3, .parallax = {0.5f, -0.25f}}, 8, 8, false).parameters[0];
    EXPECT_EQ(p.x, 0.5f);
    EXPECT_EQ(p.y, -0.25f);
    EXPECT_EQ(p.z, -0.25f);
    EXPECT_FLOAT_EQ(p.w, 0.2f);
}

// The window shows the outside's brightness (bright at noon, dark at ten at night, dark at noon
// when asked for night) while the fire's warm light holds the lower middle of the room.
TEST_F(CozyLibrarySceneTest, WindowFollowsTheSkyAndFirelightWarmsTheHearth) {
    auto still = [&](double hour, const char* outside) {
        auto scene = make();
        SceneFrame frame;
        frame.clock = 30;
        frame.sky = librarySkyAt(hour);
        frame.options.values = {{"outside", outside}};
        scene->prewarm(frame, 1.0);
        auto image = renderStill(*scene, 192, 108, frame);
        EXPECT_TRUE(image);
        return image.value_or(gpu::ImageRGBA8{});
    };
    auto brightness = [](std::array<double, 3> c) { return (c[0] + c[1] + c[2]) / 3; };
    const auto noon = still(12, "clock");
    const auto late = still(22, "clock");
    const auto pinned = still(12, "night");
    ASSERT_EQ(noon.width, 192);
    const double windowNoon = brightness(regionColour(noon, 0.675, 0.22, 0.72, 0.3));
    const double windowLate = brightness(regionColour(late, 0.675, 0.22, 0.72, 0.3));
    const double windowPinned = brightness(regionColour(pinned, 0.675, 0.22, 0.72, 0.3));
    EXPECT_GT(windowNoon, 120);
    EXPECT_GT(windowNoon, windowLate * 2.0);
    EXPECT_LT(windowPinned, windowNoon * 0.5);
    for (const auto* image : {&noon, &late}) {
        const auto hearth = regionColour(*image, 0.35, 0.6, 0.65, 1.0);
        EXPECT_GT(hearth[0], hearth[2] * 1.6);
        EXPECT_GT(brightness(hearth), 25);
        EXPECT_LT(brightness(hearth), 170);
    }
}

}  // namespace lumen::app::test
