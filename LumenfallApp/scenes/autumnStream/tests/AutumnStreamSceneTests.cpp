#include "support/ShaderSceneTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "scenes/autumnStream/AutumnStreamScene.hpp"

#include "LumenKit/catalog/Place.hpp"
#include "LumenKit/sky/SkyClock.hpp"

#include <algorithm>
#include <tuple>

namespace lumen::app::test {

namespace {

const SkyState::Instant octoberNoon{std::chrono::duration<double>(1760529600.0)};  // 2025-10-15 12:00 UTC

// On the prime meridian, so the UTC hour is close to the sun's.
SkyState skyAt(double hour) {
    return SkyClock::state(octoberNoon, hour, Place{"", 51.4769, -0.0005}, nullptr);
}

// A still frame two minutes in, with few leaves in the air to hide the view.
SceneFrame stillFrame(double hour) {
    SceneFrame frame;
    frame.clock = 120;
    frame.sky = skyAt(hour);
    frame.options.values = {{"leaves", "few"}};
    return frame;
}

}  // namespace

TEST(AutumnStreamOptionsTest, SideOffsetsAndLeaves) {
    for (const auto& [display, side] : {std::pair{0, 0.0f}, {1, -2.3f}, {2, 2.3f}, {3, -2.3f}, {6, 2.3f}})
        EXPECT_FLOAT_EQ(AutumnStreamScene::sideOffset(display), side) << display;
    using Option = std::optional<std::string>;
    const std::tuple<Option, bool, bool, float> leaves[] = {
        {"many", false, false, 1.0f},  {"few", false, false, 0.3f},  {"some", false, false, 0.6f},
        {"storm", false, false, 0.6f}, {std::nullopt, false, false, 0.6f}, {"many", true, false, 0.5f},
        {"many", false, true, 0.3f},   {"few", true, true, 0.045f}};
    for (const auto& [option, lowPower, reduced, amount] : leaves)
        EXPECT_FLOAT_EQ(AutumnStreamScene::leafAmount(option, lowPower, reduced), amount);
}

using AutumnStreamSceneTest = ShaderSceneTest<AutumnStreamScene>;

// "golden" pins 15:30 of the frame's day through the cache; any other value follows the clock.
TEST_F(AutumnStreamSceneTest, GoldenPinsTheAfternoonOnce) {
    auto scene = make();
    SceneFrame frame;
    frame.dt = 0.1;
    frame.sky = skyAt(9.0);
    frame.options.values = {{"light", "golden"}};
    scene->update(frame);
    scene->update(frame);
    EXPECT_EQ(scene->golden().computations(), 1);
    EXPECT_NEAR(scene->sky().hour, 15.5, 1e-4);
    EXPECT_NE(scene->sky(), frame.sky);
    for (const char* other : {"clock", "dusk"}) {
        frame.options.values = {{"light", other}};
        scene->update(frame);
        EXPECT_EQ(scene->sky(), frame.sky) << other;
    }
}

// Autumn foliage (red and green well over blue) fills the upper half in the afternoon; at night
// the wood is dark but readable, and blue.
TEST_F(AutumnStreamSceneTest, WarmCanopyByDayMoonlitByNight) {
    std::map<double, std::array<double, 4>> upper;  // mean r, g, b, luminance
    for (const double hour : {15.5, 22.0}) {
        auto scene = make();
        const SceneFrame frame = stillFrame(hour);
        scene->prewarm(frame, 1.0);
        const auto still = renderStill(*scene, 192, 108, frame);
        ASSERT_TRUE(still) << hour;
        std::array<double, 4> sum{};
        for (int y = 0; y < 54; ++y)
            for (int x = 0; x < still->width; ++x)
                for (int c = 0; c < 3; ++c) sum[c] += still->pixel(x, y)[c];
        for (int c = 0; c < 3; ++c) sum[c] /= 54.0 * still->width;
        sum[3] = 0.2126 * sum[0] + 0.7152 * sum[1] + 0.0722 * sum[2];
        upper[hour] = sum;
    }
    const auto& day = upper[15.5];
    EXPECT_GT(day[0], day[2] * 1.5);
    EXPECT_GT(day[0] + day[1], day[2] * 3.0);
    EXPECT_GT(day[3], 50);
    const auto& night = upper[22.0];
    EXPECT_LT(night[3], day[3] * 0.5);
    // Moonlit blue and readable, not a dimmed afternoon.
    EXPECT_GT(night[3], day[3] * 0.3);
    EXPECT_GT(night[2], night[0] * 1.2);
}

// The stream in the afternoon is clear water under a calm surface: its bed shows through, so it is
// lighter than a dark mirror, and no glint stands far out of it.
TEST_F(AutumnStreamSceneTest, StreamWithoutGlare) {
    auto scene = make();
    const SceneFrame frame = stillFrame(15.5);
    scene->prewarm(frame, 1.0);
    const auto still = renderStill(*scene, 192, 108, frame);
    ASSERT_TRUE(still);
    int count = 0;
    double sum = 0, peak = 0;
    for (int y = 70; y < 108; ++y)
        for (int x = 70; x < 122; ++x) {
            const auto p = still->pixel(x, y);
            const double lum = 0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2];
            peak = std::max(peak, lum);
            sum += lum;
            ++count;
        }
    const double mean = sum / count;
    EXPECT_GT(mean, 72);
    EXPECT_LT(peak, mean * 1.7);
}

}  // namespace lumen::app::test
