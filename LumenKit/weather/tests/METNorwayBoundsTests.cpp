// What the forecast reader does with answers that are well-formed JSON but not weather: NUL
// bytes, symbol codes and numbers beyond what they can be, and oversized answers.
#include "LumenKit/weather/METNorway.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <date/date.h>

namespace lumen::METNorway {
namespace {

using nlohmann::json;

const auto noon = date::sys_days{date::year{2021} / 10 / 12} + std::chrono::hours{12};

std::string answerWith(const json& details, const std::string& symbol) {
    json step{{"time", "2021-10-12T11:00:00Z"},
              {"data",
               {{"instant", {{"details", details}}},
                {"next_1_hours", {{"summary", {{"symbol_code", symbol}}}}}}}};
    return json{{"properties", {{"timeseries", json::array({step})}}}}.dump();
}

struct BoundsCase {
    const char* name;
    json details;
    std::string symbol;
    WeatherState expected;  // from the fair state: only the fields the case is about differ
};

WeatherState with(WeatherCondition condition, float temperature, float windSpeed, float windFrom,
                  const std::string& symbol) {
    WeatherState state;
    state.condition = condition;
    state.cloudCover = 0.5f;
    state.temperature = temperature;
    state.windSpeed = windSpeed;
    state.windFrom = windFrom;
    state.symbol = symbol;
    state.time = noon - std::chrono::hours{1};
    return state;
}

TEST(METNorwayBoundsTests, ValuesBeyondTheirRangeFallBackFieldByField) {
    using enum WeatherCondition;
    const std::string longCode = "clearsky" + std::string(57, 'x');  // 65 bytes
    const std::string longestCode = "clearsky" + std::string(56, 'x');  // 64 bytes
    const BoundsCase cases[] = {
        {"in range", {{"air_temperature", -100}, {"wind_speed", 200}, {"wind_from_direction", 360}},
         "clearsky_day", with(clear, -100, 200, 360, "clearsky_day")},
        {"lower edges", {{"air_temperature", 70}, {"wind_speed", 0}, {"wind_from_direction", 0}},
         "fair_day", with(partlyCloudy, 70, 0, 0, "fair_day")},
        {"too cold", {{"air_temperature", -100.5}, {"wind_speed", 3}}, "cloudy",
         with(cloudy, 10, 3, 250, "cloudy")},
        {"too hot", {{"air_temperature", 70.1}, {"wind_from_direction", 90}}, "cloudy",
         with(cloudy, 10, 2, 90, "cloudy")},
        {"negative wind", {{"air_temperature", 5}, {"wind_speed", -0.1}}, "cloudy",
         with(cloudy, 5, 2, 250, "cloudy")},
        {"hurricane beyond", {{"wind_speed", 200.5}, {"wind_from_direction", 360.5}}, "cloudy",
         with(cloudy, 10, 2, 250, "cloudy")},
        {"negative direction", {{"wind_from_direction", -1}}, "cloudy",
         with(cloudy, 10, 2, 250, "cloudy")},
        {"symbol of 64 bytes", json::object(), longestCode, with(partlyCloudy, 10, 2, 250, longestCode)},
        {"symbol of 65 bytes", {{"air_temperature", 3}}, longCode,
         with(partlyCloudy, 3, 2, 250, "partlycloudy_day")},
    };
    for (const auto& c : cases) {
        const ParseResult result = parse(answerWith(c.details, c.symbol), noon);
        const auto* state = std::get_if<WeatherState>(&result);
        ASSERT_NE(state, nullptr) << c.name;
        EXPECT_EQ(*state, c.expected) << c.name;
    }
}

TEST(METNorwayBoundsTests, AnswersAreReadWithTheirLength) {
    const std::string good = answerWith(json::object(), "rain");
    ASSERT_TRUE(std::holds_alternative<WeatherState>(parse(good, noon)));
    const std::string padded = good + std::string(Response::maximumSize - good.size(), ' ');
    const struct {
        const char* name;
        std::string bytes;
        bool readable;
    } cases[] = {
        {"NUL after the answer", good + std::string("\0{garbage", 9), false},
        {"NUL at the end", good + std::string(1, '\0'), false},
        {"NUL inside a string", answerWith(json::object(), "ra_in").replace(good.find("rain") + 2, 1, 1, '\0'), false},
        {"exactly the limit", padded, true},
        {"one byte over the limit", padded + " ", false},
    };
    for (const auto& c : cases) {
        const ParseResult result = parse(c.bytes, noon);
        EXPECT_EQ(std::holds_alternative<WeatherState>(result), c.readable) << c.name;
        if (!c.readable) {
            EXPECT_EQ(std::get_if<ParseError>(&result) ? std::get<ParseError>(result) : ParseError::empty,
                      ParseError::invalid) << c.name;
        }
    }
}

}  // namespace
}  // namespace lumen::METNorway
