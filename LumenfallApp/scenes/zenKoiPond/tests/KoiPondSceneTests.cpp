#include "support/ShaderSceneTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "scenes/zenKoiPond/KoiPondScene.hpp"

#include "LumenKit/catalog/Place.hpp"
#include "LumenKit/sky/SkyClock.hpp"

#include <array>
#include <cmath>
#include <map>
#include <string>
#include <tuple>

namespace lumen::app::test {

namespace {

using koi::KoiSeason;

const SkyState::Instant julyNoon{std::chrono::duration<double>(1752580800.0)};  // 2025-07-15 12:00 UTC

SceneFrame pondFrameWith(std::map<std::string, std::string> options, double dt, std::int64_t day = 196,
                     double latitude = 51.5) {
    SceneFrame frame;
    frame.dt = dt;
    frame.options.values = std::move(options);
    frame.sky.dayOfYear = day;
    frame.sky.latitude = latitude;
    return frame;
}

WeatherState weather(WeatherCondition condition, float precipitation) {
    WeatherState state;
    state.condition = condition;
    state.precipitation = precipitation;
    return state;
}

}  // namespace

TEST(KoiPondRainTest, RainFollowsWetWeatherUnlessNever) {
    using Option = std::optional<std::string>;
    const std::tuple<Option, std::optional<WeatherState>, float> cases[] = {
        {"weather", weather(WeatherCondition::rain, 1), 1.0f},
        {std::nullopt, weather(WeatherCondition::thunder, 0.5f), 0.65f},
        {"weather", weather(WeatherCondition::snow, 1), 0.0f},
        {"weather", weather(WeatherCondition::cloudy, 0), 0.0f},
        {"weather", std::nullopt, 0.0f},
        {"never", weather(WeatherCondition::rain, 1), 0.0f},
    };
    for (const auto& [option, state, rain] : cases) EXPECT_FLOAT_EQ(KoiPondScene::rainValue(option, state), rain);
}

using KoiPondSceneTest = ShaderSceneTest<KoiPondScene>;

// Named seasons win; "date" reads the day and the hemisphere, and the shader gets the ordinal.
TEST_F(KoiPondSceneTest, SeasonComesFromTheOptionOrTheDate) {
    const std::tuple<const char*, int, double, KoiSeason> cases[] = {
        {"date", 59, 51.5, KoiSeason::winter}, {"date", 60, 51.5, KoiSeason::spring},
        {"date", 200, -33, KoiSeason::winter}, {"autumn", 200, -33, KoiSeason::autumn},
        {"summer", 10, 51.5, KoiSeason::summer}};
    auto scene = make();
    for (const auto& [option, day, latitude, season] : cases) {
        scene->update(pondFrameWith({{"season", option}}, 0.1, day, latitude));
        EXPECT_EQ(scene->season(), season) << option << " " << day;
        EXPECT_EQ(scene->uniforms(SceneView{}, 8, 8, false).parameters[0].x, static_cast<float>(season));
    }
}

// A second of real rain rings nine drops, a third as many with reduced motion; the shader is told
// the full rain either way. Winter slows the fish.
TEST_F(KoiPondSceneTest, RainAndReducedMotionReachThePond) {
    for (const auto& [reduced, drops] : {std::pair{false, 9u}, std::pair{true, 2u}}) {
        auto scene = make();
        for (auto& fish : scene->pond().fish) fish.depth = 0.9f;
        SceneFrame frame = pondFrameWith({}, 1.0 / 60.0);
        frame.weather = weather(WeatherCondition::rain, 1);
        frame.reduceMotion = reduced;
        for (int i = 0; i < 60; ++i) scene->update(frame);
        EXPECT_EQ(scene->pond().ripples.size(), drops) << reduced;
        EXPECT_FLOAT_EQ(scene->uniforms(SceneView{}, 8, 8, false).parameters[0].y, 1.0f);
    }
}

TEST_F(KoiPondSceneTest, PrewarmTakesWholeFifteenthsOfASecond) {
    for (const auto& [seconds, time] : {std::pair{0.05, 0.0}, std::pair{1.0, 1.0}, std::pair{0.5, 7.0 / 15.0}}) {
        auto scene = make();
        scene->prewarm(pondFrameWith({}, 0), seconds);
        EXPECT_NEAR(scene->pond().time, time, 1e-9) << seconds;
    }
}

// Header, five vectors per fish with only the tail bent, then the ripples; the pointer on the
// first display feeds the fish and rings the water there.
TEST_F(KoiPondSceneTest, DataBlockHoldsFishAndRipples) {
    auto scene = make();
    SceneView view{.displayIndex = 0, .width = 160, .height = 90, .pointer = Float2{0.5f, -0.5f},
                   .pointerActive = true, .reactsToPointer = true};
    scene->uniforms(view, 160, 90, false);
    ASSERT_TRUE(scene->food());
    EXPECT_NEAR(scene->food()->x, 0.5f * 16.0f / 9.0f, 1e-5);
    scene->update(pondFrameWith({}, 0.1));
    const auto& pond = scene->pond();
    ASSERT_EQ(pond.ripples.size(), 1u);
    EXPECT_EQ(pond.ripples[0].strength, 0.5f);
    const auto still = renderStill(*scene, 16, 9, pondFrameWith({}, 0), view);
    ASSERT_TRUE(still);
    const auto& block = scene->lastDataBlock();
    ASSERT_EQ(scene->lastDataCount(), 1u + 9 * 5 + 1);
    EXPECT_EQ(block[0], (Float4{9, 1, 0, 0}));
    float bent = 0;
    for (std::size_t i = 0; i < 9; ++i) {
        const auto& fish = pond.fish[i];
        const Float4* at = &block[1 + i * 5];
        EXPECT_EQ(at[0], (Float4{fish.length, static_cast<float>(fish.pattern), fish.wag, fish.depth}));
        EXPECT_EQ(at[1], (Float4{fish.spine[0].x, fish.spine[0].y, fish.spine[1].x, fish.spine[1].y}));
        bent += length(Float2{at[4].z, at[4].w} - fish.spine[7]);
    }
    EXPECT_GT(bent, 0.01f);
    EXPECT_NEAR(block[46].x, 0.5f * 16.0f / 9.0f, 1e-5);
    EXPECT_NEAR(block[46].z, 0.0f, 1e-6);  // born in this step
    // Another display's pointer feeds nothing.
    view.displayIndex = 1;
    scene->uniforms(view, 160, 90, false);
    view.displayIndex = 0;
    view.pointerActive = false;
    scene->uniforms(view, 160, 90, false);
    EXPECT_FALSE(scene->food());
}

// A summer noon is clear green-blue water, bright but not washed out; night is moonlit and dimmer.
TEST_F(KoiPondSceneTest, DayIsClearWaterAndNightIsMoonlit) {
    std::array<double, 2> means{};
    for (int i = 0; i < 2; ++i) {
        auto scene = make();
        SceneFrame frame = pondFrameWith({{"season", "summer"}}, 0);
        frame.sky = SkyClock::state(julyNoon, i == 0 ? 12.0 : 0.5, Place{"", 51.5, -0.1}, nullptr);
        scene->prewarm(frame, 2);
        const auto still = renderStill(*scene, 192, 108, frame);
        ASSERT_TRUE(still);
        const auto colour = meanColour(*still);
        means[i] = meanBrightness(*still);
        EXPECT_GT(colour[1], colour[0]) << i;
        EXPECT_GT(distinctColours(*still), 300) << i;
    }
    EXPECT_TRUE(means[0] > 50 && means[0] < 150) << means[0];
    EXPECT_TRUE(means[1] > 12 && means[1] < means[0] * 0.6) << means[1];
}

}  // namespace lumen::app::test
