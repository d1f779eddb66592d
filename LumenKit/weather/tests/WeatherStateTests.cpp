#include "LumenKit/weather/WeatherState.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <date/date.h>

namespace lumen {
namespace {

using namespace std::chrono;
using enum WeatherCondition;

WeatherState state(WeatherCondition condition, float precipitation, float temperature) {
    WeatherState result = WeatherState::sample(condition);
    result.precipitation = precipitation;
    result.temperature = temperature;
    return result;
}

TEST(WeatherStateTests, FairAndSamples) {
    const WeatherState& fair = WeatherState::fair();
    const WeatherState expectedFair{partlyCloudy, 0, 0.3f, 0, 2.5f, 250, 14, "fair_day",
                                    date::sys_days{date::year{1970} / 1 / 1}};
    EXPECT_EQ(fair, expectedFair);
    EXPECT_EQ(&WeatherState::fair(), &fair);

    const auto sample = [&](WeatherCondition condition, float precipitation, float cloud,
                            float haze, float wind, float temperature, const char* symbol) {
        return WeatherState{condition, precipitation, cloud, haze, wind, 250, temperature, symbol,
                            fair.time};
    };
    EXPECT_EQ(WeatherState::sample(clear), sample(clear, 0, 0.05f, 0, 2.5f, 14, "clearsky_day"));
    EXPECT_EQ(WeatherState::sample(partlyCloudy), fair);
    EXPECT_EQ(WeatherState::sample(cloudy), sample(cloudy, 0, 0.92f, 0, 4, 14, "cloudy"));
    EXPECT_EQ(WeatherState::sample(fog), sample(fog, 0, 0.7f, 0.85f, 0.8f, 14, "fog"));
    EXPECT_EQ(WeatherState::sample(rain), sample(rain, 0.6f, 1, 0, 5, 9, "rain"));
    EXPECT_EQ(WeatherState::sample(snow), sample(snow, 0.55f, 1, 0, 2, -3, "snow"));
    EXPECT_EQ(WeatherState::sample(thunder),
              sample(thunder, 0.95f, 1, 0, 8, 18, "heavyrainandthunder"));
}

TEST(WeatherStateTests, SummaryPrefixesOnlyRainAndSnowOutsideTheMiddleBand) {
    EXPECT_EQ(state(rain, 0.3f, 9).summary(), "Light rain, 9 °C");
    EXPECT_EQ(state(snow, 0.9f, -7.2f).summary(), "Heavy snow, -7 °C");
    EXPECT_EQ(state(rain, 0.4f, 9).summary(), "Rain, 9 °C");
    EXPECT_EQ(state(rain, 0.8f, 9).summary(), "Rain, 9 °C");
    EXPECT_EQ(state(snow, 0.39f, 9).summary(), "Light snow, 9 °C");
    EXPECT_EQ(state(rain, 0.81f, 9).summary(), "Heavy rain, 9 °C");
    EXPECT_EQ(WeatherState::sample(thunder).summary(), "Thunderstorm, 18 °C");
    EXPECT_EQ(state(thunder, 0.1f, 9).summary(), "Thunderstorm, 9 °C");
    EXPECT_EQ(WeatherState::fair().summary(), "Partly cloudy, 14 °C");
    EXPECT_EQ(state(fog, 0.1f, 9).summary(), "Fog, 9 °C");
}

TEST(WeatherStateTests, SummaryRoundsHalfAwayFromZeroWithoutNegativeZero) {
    const auto at = [](float temperature) { return state(cloudy, 0, temperature).summary(); };
    EXPECT_EQ(at(-0.5f), "Cloudy, -1 °C");
    EXPECT_EQ(at(0.5f), "Cloudy, 1 °C");
    EXPECT_EQ(at(-2.5f), "Cloudy, -3 °C");
    EXPECT_EQ(at(8.49f), "Cloudy, 8 °C");
    EXPECT_EQ(at(-0.4f), "Cloudy, 0 °C");
    EXPECT_EQ(at(1e30f), "Cloudy, 1000000015047466219876688855040 °C");
}

TEST(WeatherStateTests, JSONRoundTripAndStrictDecoding) {
    WeatherState original{snow, 0.37f, 0.8765f, 0.1f, 12.3f, 359.9f, -4.25f,
                          "lightsnowshowers_polartwilight",
                          date::sys_days{date::year{2021} / 10 / 12} + 11h + 123456us};
    const nlohmann::json json = original.toJSON();
    EXPECT_EQ(json.at("condition"), "snow");
    EXPECT_NEAR(json.at("time").get<double>(), 655729200.123456, 1e-6);  // since 2001
    EXPECT_EQ(WeatherState::fromJSON(nlohmann::json::parse(json.dump())), original);
    EXPECT_EQ(WeatherState::fromJSON(WeatherState::fair().toJSON()), WeatherState::fair());

    for (const auto& [key, value] : json.items()) {
        nlohmann::json missing = json;
        missing.erase(key);
        EXPECT_FALSE(WeatherState::fromJSON(missing)) << key;
        nlohmann::json wrong = json;
        wrong[key] = nlohmann::json::array();
        EXPECT_FALSE(WeatherState::fromJSON(wrong)) << key;
    }
    for (const auto& [key, value] : {std::pair<const char*, nlohmann::json>{"condition", "Rain"},
                                     {"windSpeed", 1e300}, {"time", 1e15}}) {
        nlohmann::json wrong = json;
        wrong[key] = value;
        EXPECT_FALSE(WeatherState::fromJSON(wrong)) << key;
    }
    EXPECT_FALSE(WeatherState::fromJSON(nlohmann::json()));
    EXPECT_FALSE(WeatherState::fromJSON("rain"));
}

}  // namespace
}  // namespace lumen
