#include "support/ShaderSceneTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "scenes/northernLights/NorthernLightsScene.hpp"

#include "LumenKit/catalog/Place.hpp"
#include "LumenKit/sky/SkyClock.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <tuple>
#include <vector>

namespace lumen::app::test {

namespace {

// Midwinter far north, in UTC: dark by 22:00.
const SkyState::Instant winterNoon{std::chrono::duration<double>(1768478400.0)};  // 2026-01-15 12:00 UTC

SkyState auroraSkyAt(double hour, SkyState::Instant day = winterNoon) {
    return SkyClock::state(day, hour, Place{"", 69.6492147, 18.9553183}, nullptr);
}

// Mean red, green and blue over rows [top, bottom) of the image.
std::array<double, 3> bandColour(const gpu::ImageRGBA8& image, int top, int bottom) {
    std::array<double, 3> sum{};
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < image.width; ++x)
            for (int c = 0; c < 3; ++c) sum[c] += image.pixel(x, y)[c];
    for (double& s : sum) s /= double(image.width) * (bottom - top);
    return sum;
}

}  // namespace

// One almanac run per frame-sky instant, at the truncated place and the pinned hour.
TEST(PinnedSkyTest, ComputesOncePerInstant) {
    PinnedSky pinned(23.5);
    const SkyState frameSky = auroraSkyAt(9.0);
    const SkyState first = pinned.at(frameSky, nullptr);
    EXPECT_EQ(pinned.at(frameSky, nullptr), first);
    EXPECT_EQ(pinned.computations(), 1);
    EXPECT_NEAR(first.hour, 23.5, 1e-4);
    EXPECT_DOUBLE_EQ(first.latitude, 69.6492);
    EXPECT_DOUBLE_EQ(first.longitude, 18.9553);
    EXPECT_LT(first.sunElevation, -10);
    pinned.at(auroraSkyAt(9.5), nullptr);
    EXPECT_EQ(pinned.computations(), 2);
}

TEST(NorthernLightsOptionsTest, SideOffsetsAndFallbacks) {
    for (const auto& [display, side] : {std::pair{0, 0.0f}, {1, -0.75f}, {2, 0.75f}, {3, -1.5f}, {4, 1.5f}})
        EXPECT_FLOAT_EQ(NorthernLightsScene::sideOffset(display), side) << display;
    using Option = std::optional<std::string>;
    const std::tuple<Option, bool, double, float> auroras[] = {{"strong", false, 1.0, 1.0f},
                                                               {"gentle", false, 0.45, 0.55f},
                                                               {"gentle", true, 0.135, 0.55f},
                                                               {"wild", false, 1.0, 1.0f},
                                                               {std::nullopt, true, 0.3, 1.0f}};
    for (const auto& [option, reduced, rate, intensity] : auroras) {
        EXPECT_NEAR(NorthernLightsScene::auroraRate(option, reduced), rate, 1e-12);
        EXPECT_EQ(NorthernLightsScene::intensity(option), intensity);
    }
    const std::tuple<Option, bool, bool, float> snows[] = {{"gentle", false, false, 1.0f}, {"gentle", true, false, 0.5f},
                                                           {"gentle", true, true, 0.0f},   {"none", false, false, 0.0f},
                                                           {"blizzard", false, false, 1.0f}, {std::nullopt, true, false, 0.5f}};
    for (const auto& [option, lowPower, reduced, amount] : snows)
        EXPECT_EQ(NorthernLightsScene::snowAmount(option, lowPower, reduced), amount);
}

struct NorthernLightsSceneTest : ShaderSceneTest<NorthernLightsScene> {
    // A clear spring noon, without snowfall, at 192x108.
    auto springNoonStill() {
        const SkyState::Instant springNoon{std::chrono::duration<double>(1773576000.0)};  // 2026-03-15 12:00 UTC
        auto scene = make();
        SceneFrame frame;
        frame.clock = 300;
        frame.sky = auroraSkyAt(12.0, springNoon);
        frame.options.values = {{"snow", "none"}};
        scene->prewarm(frame, 2.0);
        return renderStill(*scene, 192, 108, frame);
    }
};

// "night" pins 23:30 of the frame's day, through the cache; any other value follows the clock.
TEST_F(NorthernLightsSceneTest, NightPinsTheSkyAndTheClockAdvances) {
    auto scene = make();
    SceneFrame frame;
    frame.dt = 0.1;
    frame.sky = auroraSkyAt(12.0);
    frame.options.values = {{"sky", "night"}, {"aurora", "gentle"}};
    scene->update(frame);
    scene->update(frame);
    EXPECT_EQ(scene->cachedNight().computations(), 1);
    EXPECT_NEAR(scene->sky().hour, 23.5, 1e-4);
    EXPECT_NEAR(scene->auroraClock(), 0.09, 1e-9);
    frame.options.values = {{"sky", "noon"}};
    scene->update(frame);
    EXPECT_EQ(scene->sky(), frame.sky);
}

// At night green aurora light rules the upper sky; at noon the same sky is blue, without it.
TEST_F(NorthernLightsSceneTest, AuroraGreensTheNightSkyOnly) {
    std::map<double, std::array<double, 3>> upper;
    for (const double hour : {22.0, 12.0}) {
        auto scene = make();
        SceneFrame frame;
        frame.clock = 300;
        frame.sky = auroraSkyAt(hour);
        frame.options.values = {{"snow", "none"}};
        scene->prewarm(frame, 2.0);
        const auto still = renderStill(*scene, 192, 108, frame);
        ASSERT_TRUE(still) << hour;
        upper[hour] = bandColour(*still, 25, 50);  // above the peaks
    }
    const auto& night = upper[22.0];
    EXPECT_GT(night[1], night[0] * 1.4);
    EXPECT_GT(night[1], night[2]);
    EXPECT_GT(night[1], 35);
    const auto& day = upper[12.0];
    EXPECT_GT(day[2], day[1]);
    EXPECT_GT(day[2], day[0]);
}

// By a spring noon the far range reads against the sky: darker than the sky above it on
// average, with dark rock beside bright snow, not a washed-out white band.
TEST_F(NorthernLightsSceneTest, FarPeaksStandOutFromTheDaySky) {
    const auto still = springNoonStill();
    ASSERT_TRUE(still);
    auto lumas = [&](int top, int bottom) {
        std::vector<double> values;
        for (int y = top; y < bottom; ++y)
            for (int x = 78; x < 152; ++x) {
                const auto p = still->pixel(x, y);
                values.push_back(0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2]);
            }
        return values;
    };
    auto mean = [](const std::vector<double>& v) { return std::accumulate(v.begin(), v.end(), 0.0) / double(v.size()); };
    const auto sky = lumas(30, 38);
    const auto peaks = lumas(50, 58);
    const double peakMean = mean(peaks);
    double spread = 0;
    for (const double v : peaks) spread += (v - peakMean) * (v - peakMean);
    spread = std::sqrt(spread / double(peaks.size()));
    EXPECT_LT(peakMean, mean(sky) - 5) << spread;
    EXPECT_GT(spread, 20) << peakMean;
}

// The near snowfield by day is shaped by the wind, not banded: light varies along each row (drifts
// and sastrugi run at an angle) more than from one row to the next, shaded faces lean blue, and
// nothing clips to white.
TEST_F(NorthernLightsSceneTest, DaySnowfieldIsSculptedNotBanded) {
    const auto still = springNoonStill();
    ASSERT_TRUE(still);
    double alongRows = 0, betweenRows = 0, brightest = 0, previous = -1;
    for (int y = 78; y < 108; ++y) {
        double sum = 0, squares = 0;
        for (int x = 20; x < 160; ++x) {
            const auto p = still->pixel(x, y);
            const double luma = 0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2];
            sum += luma;
            squares += luma * luma;
            brightest = std::max(brightest, luma);
        }
        const double mean = sum / 140.0;
        alongRows += std::sqrt(std::max(squares / 140.0 - mean * mean, 0.0)) / 30.0;
        if (previous >= 0) betweenRows += std::abs(mean - previous) / 29.0;
        previous = mean;
    }
    const auto colour = bandColour(*still, 78, 108);
    EXPECT_GT(alongRows, 2.5);
    EXPECT_GT(alongRows, 6.0 * betweenRows) << alongRows << " " << betweenRows;
    EXPECT_LT(brightest, 250.0);
    EXPECT_GT(colour[2], colour[0] + 6.0);
}

}  // namespace lumen::app::test
