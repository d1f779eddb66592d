#include "LumenKit/weather/WeatherState.hpp"
#include "LumenKit/weather/WeatherSymbols.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <date/date.h>

namespace lumen {
namespace {

using namespace std::chrono;
using enum WeatherCondition;

TEST(WeatherStateTests, FairStateAndSamplesThatReadAsTheirCondition) {
    EXPECT_EQ(WeatherState::fair(), (WeatherState{partlyCloudy, 0, 0.3f, 0, 2.5f, 250, 14, "fair_day",
                                                  date::sys_days{date::year{1970} / 1 / 1}}));
    EXPECT_EQ(WeatherState::sample(partlyCloudy), WeatherState::fair());
    for (WeatherCondition condition : WeatherConditionInfo::allCases) {
        const WeatherState sample = WeatherState::sample(condition);
        SCOPED_TRACE(sample.symbol);
        EXPECT_EQ(sample.condition, condition);
        EXPECT_EQ(WeatherSymbols::classify(sample.symbol, sample.temperature).condition, condition);
        EXPECT_EQ(sample.precipitation > 0, WeatherConditionInfo::isWet(condition));
    }
}

TEST(WeatherStateTests, SummaryNamesTheIntensityOfRainAndSnowAndRoundsTheTemperature) {
    const std::tuple<WeatherCondition, float, float, const char*> cases[] = {
        {rain, 0.39f, 9, "Light rain, 9 °C"}, {rain, 0.4f, 9, "Rain, 9 °C"}, {rain, 0.8f, 9, "Rain, 9 °C"},
        {snow, 0.81f, -7.2f, "Heavy snow, -7 °C"}, {thunder, 0.1f, 9, "Thunderstorm, 9 °C"}, {fog, 0, 9, "Fog, 9 °C"},
        // Half away from zero, and never "-0".
        {cloudy, 0, -0.5f, "Cloudy, -1 °C"}, {cloudy, 0, 0.5f, "Cloudy, 1 °C"}, {cloudy, 0, -2.5f, "Cloudy, -3 °C"},
        {cloudy, 0, 8.49f, "Cloudy, 8 °C"},  {cloudy, 0, -0.4f, "Cloudy, 0 °C"},
        {cloudy, 0, 1e30f, "Cloudy, 1000000015047466219876688855040 °C"}};
    for (const auto& [condition, precipitation, temperature, text] : cases) {
        WeatherState state = WeatherState::sample(condition);
        state.precipitation = precipitation;
        state.temperature = temperature;
        EXPECT_EQ(state.summary(), text);
    }
}

TEST(WeatherStateTests, JSONRoundTripAndStrictDecoding) {
    const WeatherState original{snow, 0.37f, 0.8765f, 0.1f, 12.3f, 359.9f, -4.25f, "lightsnowshowers_polartwilight",
                                date::sys_days{date::year{2021} / 10 / 12} + 11h + 123456us};
    const nlohmann::json json = original.toJSON();
    EXPECT_EQ(json.at("condition"), "snow");
    EXPECT_NEAR(json.at("time").get<double>(), 655729200.123456, 1e-6);  // since 2001
    EXPECT_EQ(WeatherState::fromJSON(nlohmann::json::parse(json.dump())), original);
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
    EXPECT_FALSE(WeatherState::fromJSON("rain"));
}

}  // namespace
}  // namespace lumen
