#include "LumenKit/scenes/alpine/AlpineLight.hpp"
#include "LumenKit/scenes/alpine/AlpineWeatherLook.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

namespace lumen::alpine {
namespace {

WeatherState state(WeatherCondition condition, float cloud, float temperature = 10, float precipitation = 0.5f) {
    WeatherState w;
    w.condition = condition;
    w.cloudCover = cloud;
    w.temperature = temperature;
    w.precipitation = precipitation;
    return w;
}

TEST(AlpineWeatherLookTest, SeasonalSnowLineClampsTheMonth) {
    EXPECT_NEAR(AlpineWeatherLook::seasonalSnowLine(1), 725.6f, 0.5f);
    EXPECT_NEAR(AlpineWeatherLook::seasonalSnowLine(7), 2174.4f, 0.5f);
    EXPECT_EQ(AlpineWeatherLook::seasonalSnowLine(0), AlpineWeatherLook::seasonalSnowLine(1));
    EXPECT_EQ(AlpineWeatherLook::seasonalSnowLine(-4), AlpineWeatherLook::seasonalSnowLine(1));
    EXPECT_EQ(AlpineWeatherLook::seasonalSnowLine(13), AlpineWeatherLook::seasonalSnowLine(12));
    EXPECT_EQ(AlpineWeatherLook::month(1), 1);
    EXPECT_EQ(AlpineWeatherLook::month(366), 12);
}

TEST(AlpineWeatherLookTest, ConditionsMapToTheirLooks) {
    using C = WeatherCondition;
    const std::tuple<WeatherState, int, float, float> cases[] = {
        // state, month, cloudCover, snowLine
        {state(C::clear, 0.5f), 6, 0.12f, AlpineWeatherLook::seasonalSnowLine(6)},
        {state(C::partlyCloudy, 0.9f), 6, 0.6f, AlpineWeatherLook::seasonalSnowLine(6)},
        {state(C::partlyCloudy, 0.1f), 6, 0.25f, AlpineWeatherLook::seasonalSnowLine(6)},
        {state(C::snow, 1, 1.0f), 7, 1, 0},
        {state(C::snow, 1, 1.5f), 7, 1, 500},
        {state(C::rain, 1, 10.0f), 1, 1, AlpineWeatherLook::seasonalSnowLine(1)},
        {state(C::rain, 1, 2.0f), 7, 1, 1140},
    };
    for (const auto& [w, month, cover, line] : cases) {
        const auto look = AlpineWeatherLook::from(w, month);
        EXPECT_FLOAT_EQ(look.cloudCover, cover) << w.summary();
        EXPECT_FLOAT_EQ(look.snowLine, line) << w.summary();
    }
    const auto storm = AlpineWeatherLook::from(state(C::thunder, 1, 10, 0.05f), 6);
    EXPECT_EQ(storm.rain, 0.2f);
    EXPECT_EQ(storm.lightning, 1);
    EXPECT_EQ(storm.wetness, 1);
    EXPECT_FLOAT_EQ(storm.cloudDarkness, 0.55f + 0.35f * 0.05f);
}

TEST(AlpineWeatherLookTest, OptionFixesTheWeatherUnknownValuesFollowTheLiveOne) {
    const auto live = state(WeatherCondition::rain, 1);
    EXPECT_EQ(AlpineWeatherLook::target("snow", live, 3), AlpineWeatherLook::from(WeatherState::sample(WeatherCondition::snow), 3));
    EXPECT_EQ(AlpineWeatherLook::target("live", live, 3), AlpineWeatherLook::from(live, 3));
    EXPECT_EQ(AlpineWeatherLook::target("monsoon", live, 3), AlpineWeatherLook::from(live, 3));
    EXPECT_EQ(AlpineWeatherLook::target("live", std::nullopt, 3), AlpineWeatherLook::from(WeatherState::fair(), 3));
}

TEST(AlpineWeatherLookTest, BlendTurnsTheWindTheShortWay) {
    AlpineWeatherLook a, b;
    a.windFrom = 350;
    b.windFrom = 10;
    b.fog = 1;
    EXPECT_FLOAT_EQ(AlpineWeatherLook::blend(a, b, 0.5f).windFrom, 360);
    EXPECT_FLOAT_EQ(AlpineWeatherLook::blend(a, b, 0.5f).fog, 0.5f);
    EXPECT_EQ(AlpineWeatherLook::blend(a, b, 3), b);
    EXPECT_EQ(AlpineWeatherLook::blend(a, b, -1), a);
}

TEST(AlpineWeatherLookTest, DamagedForecastGivesFiniteLook) {
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    WeatherState w = state(WeatherCondition::rain, nan, nan, nan);
    w.windSpeed = std::numeric_limits<float>::infinity();
    w.windFrom = nan;
    w.fog = -3;
    const auto look = AlpineWeatherLook::from(w, 5);
    for (float v : {look.cloudCover, look.cloudDarkness, look.rain, look.fog, look.wind, look.windFrom, look.snowLine}) {
        EXPECT_TRUE(std::isfinite(v));
    }
    EXPECT_LE(look.wind, 1);
    AlpineWeatherLook broken;
    broken.fog = nan;
    broken.snowLine = -50;
    EXPECT_EQ(broken.sanitized().fog, 0);
    EXPECT_EQ(broken.sanitized().snowLine, 0);
}

TEST(AlpineLightTest, HorizonSunAndMoonlitNight) {
    const Float3 t = AlpineLight::transmittance(1250, -1);
    EXPECT_GT(t.x, 0);
    EXPECT_LT(t.z, t.x);
    EXPECT_EQ(AlpineLight::transmittance(1250, -5), (Float3{0, 0, 0}));

    SkyState sky;
    sky.sunElevation = -1;
    AlpineWeatherLook clear;
    const auto dusk = AlpineLight::compute(sky, clear);
    EXPECT_EQ(dusk.sunVisible, 0);
    EXPECT_EQ(dusk.sun, (Float3{0, 0, 0}));

    sky.sunElevation = -30;
    sky.moonElevation = 40;
    sky.moonIllumination = 1;
    const auto night = AlpineLight::compute(sky, clear);
    EXPECT_FLOAT_EQ(night.exposure, 3.4f);
    EXPECT_FLOAT_EQ(night.moon.x, 0.0288f);
    EXPECT_FLOAT_EQ(night.moon.z, 0.0504f);

    sky.sunElevation = 40;
    const auto noon = AlpineLight::compute(sky, clear);
    AlpineWeatherLook overcast;
    overcast.cloudCover = 1;
    overcast.cloudDarkness = 0.6f;
    EXPECT_GT(noon.sun.x, 2.5f);
    EXPECT_LT(AlpineLight::compute(sky, overcast).sun.x, 0.4f * noon.sun.x);
}

}  // namespace
}  // namespace lumen::alpine
