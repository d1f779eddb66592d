// Answers that are well-formed JSON but not weather: NUL bytes, oversized answers, symbol codes
// and numbers beyond what they can be.
#include "LumenKit/weather/METNorway.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <date/date.h>

namespace lumen::METNorway {
namespace {

using nlohmann::json;
const auto noonUtc = date::sys_days{date::year{2021} / 10 / 12} + std::chrono::hours{12};

std::string answerWith(const json& details, const std::string& symbol) {
    json step{{"time", "2021-10-12T11:00:00Z"},
              {"data", {{"instant", {{"details", details}}}, {"next_1_hours", {{"summary", {{"symbol_code", symbol}}}}}}}};
    return json{{"properties", {{"timeseries", json::array({step})}}}}.dump();
}

TEST(METNorwayBoundsTests, ValuesBeyondTheirRangeFallBackFieldByField) {
    const std::string code64 = "clearsky" + std::string(56, 'x');
    const struct {
        json details;
        std::string symbol;
        float temperature, windSpeed, windFrom;  // read, or the defaults 10, 2, 250
        std::string symbolRead;
    } cases[] = {
        {{{"air_temperature", -100}, {"wind_speed", 200}, {"wind_from_direction", 360}}, "rain", -100, 200, 360, "rain"},
        {{{"air_temperature", 70}, {"wind_speed", 0}, {"wind_from_direction", 0}}, "fog", 70, 0, 0, "fog"},
        {{{"air_temperature", -100.5}, {"wind_speed", 3}}, "rain", 10, 3, 250, "rain"},
        {{{"air_temperature", 70.1}, {"wind_from_direction", 90}}, "rain", 10, 2, 90, "rain"},
        {{{"air_temperature", 5}, {"wind_speed", -0.1}, {"wind_from_direction", -1}}, "rain", 5, 2, 250, "rain"},
        {{{"wind_speed", 200.5}, {"wind_from_direction", 360.5}}, "rain", 10, 2, 250, "rain"},
        {json::object(), code64, 10, 2, 250, code64},
        {{{"air_temperature", 3}}, code64 + "x", 3, 2, 250, "partlycloudy_day"},
    };
    for (const auto& c : cases) {
        const ParseResult result = parse(answerWith(c.details, c.symbol), noonUtc);
        ASSERT_TRUE(std::holds_alternative<WeatherState>(result)) << c.details;
        const auto& state = std::get<WeatherState>(result);
        EXPECT_EQ(std::tuple(state.temperature, state.windSpeed, state.windFrom, state.symbol),
                  std::tuple(c.temperature, c.windSpeed, c.windFrom, c.symbolRead)) << c.details;
    }
}

TEST(METNorwayBoundsTests, AnswersAreReadWithTheirLength) {
    const std::string good = answerWith(json::object(), "rain");
    const std::string padded = good + std::string(Response::maximumSize - good.size(), ' ');
    std::string nulInside = good;
    nulInside[good.find("rain") + 2] = '\0';
    const struct {
        std::string bytes;
        bool readable;
    } cases[] = {
        {good, true},
        {good + std::string("\0{garbage", 9), false},
        {good + std::string(1, '\0'), false},
        {nulInside, false},
        {padded, true},
        {padded + " ", false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const ParseResult result = parse(cases[i].bytes, noonUtc);
        EXPECT_EQ(std::holds_alternative<WeatherState>(result), cases[i].readable) << "case " << i;
        if (!cases[i].readable) {
            EXPECT_EQ(std::get_if<ParseError>(&result)[0], ParseError::invalid) << "case " << i;
        }
    }
}

}  // namespace
}  // namespace lumen::METNorway
