#include "LumenKit/weather/METNorway.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <date/date.h>

#include <fstream>
#include <sstream>

namespace lumen::METNorway {
namespace {

using namespace std::chrono;
using nlohmann::json;
using Instant = system_clock::time_point;
using enum WeatherCondition;

Instant utc(int y, unsigned m, unsigned d, int h = 0) {
    return date::sys_days{date::year{y} / m / d} + hours{h};
}
const Instant noon = utc(2021, 10, 12, 12);

std::string fixture(const std::string& name) {
    std::ifstream file(std::string(LUMENFALL_FIXTURES_DIR) + "/metno/" + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

json period(const std::string& symbol, std::optional<double> amount = std::nullopt) {
    json value{{"summary", {{"symbol_code", symbol}}}};
    if (amount) value["details"] = {{"precipitation_amount", *amount}};
    return value;
}

std::string answer(std::vector<std::tuple<std::string, json, json>> steps) {
    json series = json::array();
    for (auto& [time, details, data] : steps) {
        if (data.is_null()) data = json::object();
        data["instant"] = {{"details", details.is_null() ? json::object() : details}};
        series.push_back({{"time", time}, {"data", data}});
    }
    return json{{"type", "Feature"}, {"properties", {{"timeseries", series}}}}.dump();
}

std::optional<ParseError> errorOf(std::string_view bytes, Instant now = noon) {
    const ParseResult result = parse(bytes, now);
    const auto* error = std::get_if<ParseError>(&result);
    return error ? std::optional(*error) : std::nullopt;
}

WeatherState parsed(const std::string& bytes, Instant now = noon) {
    const ParseResult result = parse(bytes, now);
    if (const auto* error = std::get_if<ParseError>(&result)) {
        ADD_FAILURE() << description(*error);
        return {};
    }
    return std::get<WeatherState>(result);
}

// One step at 11:00 with these instant details and step data, read at noon.
WeatherState single(json details, json data) {
    return parsed(answer({{"2021-10-12T11:00:00Z", std::move(details), std::move(data)}}));
}

TEST(METNorwayParseTests, ReadsBothFixtures) {
    const auto first = Response::decode(fixture("compact-2021-10-12.json"));
    ASSERT_TRUE(first);
    ASSERT_EQ(first->properties.timeseries.size(), 89u);
    const Response::Step& step0 = first->properties.timeseries.front();
    EXPECT_EQ(step0.time, utc(2021, 10, 12, 11));
    EXPECT_EQ(step0.data.instant.details.air_temperature, 26.7);
    EXPECT_EQ(step0.data.instant.details.cloud_area_fraction, 54.7);
    EXPECT_EQ(step0.data.instant.details.fog_area_fraction, std::nullopt);
    EXPECT_EQ(step0.data.instant.details.wind_speed, 7.4);
    EXPECT_EQ(step0.data.instant.details.wind_from_direction, 255.9);
    EXPECT_EQ(step0.data.next_1_hours.value().summary.value().symbol_code, "partlycloudy_day");
    EXPECT_EQ(step0.data.next_6_hours.value().details.value().precipitation_amount, 0.4);
    const auto second = Response::decode(fixture("compact-2021-10-20.json"));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->properties.timeseries.size(), 80u);
    EXPECT_EQ(second->properties.timeseries.back().time, utc(2021, 10, 29, 6));

    const std::string bytes = fixture("compact-2021-10-12.json");
    const WeatherState start = parsed(bytes, utc(2021, 10, 12, 11) + 30min);
    EXPECT_EQ(start, (WeatherState{partlyCloudy, 0, 0.547f, 0, 7.4f, 255.9f, 26.7f,
                                   "partlycloudy_day", utc(2021, 10, 12, 11)}));
    EXPECT_EQ(parsed(bytes, utc(2020, 1, 1)), start);  // all steps ahead: the first
    // 12:00, light rain showers of 0.1 mm: 0.6 × 0.3 wins; the clouds lift to 0.85.
    EXPECT_EQ(parsed(bytes), (WeatherState{rain, 0.18f, 0.85f, 0, 8.2f, 252.3f, 26.6f,
                                           "lightrainshowers_day", noon}));
    // Past the end: the last step, which has no period.
    EXPECT_EQ(parsed(bytes, utc(2030, 1, 1)).symbol, "partlycloudy_day");
    // A six-hourly step of the second answer: 3 mm of rain over six hours.
    const WeatherState sixHourly =
        parsed(fixture("compact-2021-10-20.json"), utc(2021, 10, 26, 14));
    EXPECT_EQ(sixHourly.time, utc(2021, 10, 26, 12));
    EXPECT_EQ(sixHourly.condition, rain);
    EXPECT_FLOAT_EQ(sixHourly.precipitation, 0.36f);
}

TEST(METNorwayParseTests, ChoosesTheLatestStepNotInTheFuture) {
    const auto temperatures = [](std::vector<const char*> times, Instant now) {
        std::vector<std::tuple<std::string, json, json>> steps;
        for (std::size_t i = 0; i < times.size(); ++i) {
            steps.emplace_back(times[i], json{{"air_temperature", i + 1}}, json());
        }
        return parsed(answer(steps), now).temperature;
    };
    const std::vector<const char*> hours{"2021-10-12T10:00:00Z", "2021-10-12T11:00:00Z",
                                         "2021-10-12T12:00:00Z", "2021-10-12T13:00:00Z"};
    EXPECT_EQ(temperatures(hours, utc(2021, 10, 12, 9)), 1.0f);
    EXPECT_EQ(temperatures(hours, noon), 3.0f);
    EXPECT_EQ(temperatures(hours, utc(2021, 10, 12, 13) - 1ns), 3.0f);
    EXPECT_EQ(temperatures(hours, utc(2021, 10, 13)), 4.0f);
    // The only past step is the third.
    EXPECT_EQ(temperatures({"2021-10-12T14:00:00Z", "2021-10-12T15:00:00Z", "2021-10-12T09:00:00Z",
                            "2021-10-12T16:00:00Z"}, noon), 3.0f);
}

TEST(METNorwayParseTests, DefaultsPeriodsAndPrecipitation) {
    EXPECT_EQ(single({}, {}), (WeatherState{partlyCloudy, 0, 0.5f, 0, 2, 250, 10,
                                            "partlycloudy_day", utc(2021, 10, 12, 11)}));
    // Six-hour heavy rain of 12 mm: max(min(1, 0.25 × 2), 0.6 × 0.9) = 0.54.
    const WeatherState sixHours = single({}, {{"next_6_hours", period("heavyrain", 12)}});
    EXPECT_EQ(sixHours.condition, rain);
    EXPECT_FLOAT_EQ(sixHours.precipitation, 0.54f);
    // The hourly period wins when both are there; 8 mm in the hour saturates.
    const WeatherState hourly = single({}, {{"next_1_hours", period("rain_night", 8)},
                                            {"next_6_hours", period("heavyrain", 12)}});
    EXPECT_EQ(hourly.precipitation, 1.0f);
    EXPECT_EQ(hourly.symbol, "rain_night");
    // An hourly period without a summary still wins, leaving the default symbol.
    EXPECT_EQ(single({}, {{"next_1_hours", {{"details", {{"precipitation_amount", 5}}}}},
                          {"next_6_hours", period("heavyrain", 12)}}).symbol,
              "partlycloudy_day");
    EXPECT_FLOAT_EQ(single({}, {{"next_1_hours", period("rain", 3)}}).precipitation, 0.75f);
    EXPECT_FLOAT_EQ(single({}, {{"next_1_hours", period("lightrain")}}).precipitation, 0.3f);
    EXPECT_FLOAT_EQ(single({}, {{"next_1_hours", period("thunder", 0)}}).precipitation, 0.42f);
    EXPECT_FLOAT_EQ(single({}, {{"next_1_hours", period("lightsnow", -4)}}).precipitation, 0.18f);
    EXPECT_EQ(single({}, {{"next_1_hours", period("cloudy", 9)}}).precipitation, 0.0f);
    EXPECT_EQ(single({{"air_temperature", 0.2}}, {{"next_1_hours", period("sleet")}}).condition,
              snow);
    // Nulls count as absent.
    const WeatherState nulls = single({{"air_temperature", nullptr}},
                                      {{"next_1_hours", nullptr},
                                       {"next_6_hours", {{"summary", {{"symbol_code", "fog"}}},
                                                         {"details", nullptr}}}});
    EXPECT_EQ(nulls.temperature, 10.0f);
    EXPECT_EQ(nulls.condition, fog);
}

TEST(METNorwayParseTests, FogAndCloudFloorsAndClamps) {
    const auto read = [](const char* key, double percent, const std::string& symbol) {
        return single({{key, percent}}, {{"next_1_hours", period(symbol)}});
    };
    EXPECT_FLOAT_EQ(read("fog_area_fraction", 30, "fog").fog, 0.8f);
    EXPECT_FLOAT_EQ(read("fog_area_fraction", 95, "fog").fog, 0.95f);
    EXPECT_FLOAT_EQ(read("fog_area_fraction", 30, "cloudy").fog, 0.3f);
    EXPECT_EQ(read("fog_area_fraction", 250, "cloudy").fog, 1.0f);
    EXPECT_FLOAT_EQ(read("cloud_area_fraction", 40, "rain").cloudCover, 0.85f);
    EXPECT_FLOAT_EQ(read("cloud_area_fraction", 90, "lightsnow_day").cloudCover, 0.9f);
    EXPECT_FLOAT_EQ(read("cloud_area_fraction", 40, "fair_night").cloudCover, 0.4f);
    EXPECT_EQ(read("cloud_area_fraction", -5, "clearsky_day").cloudCover, 0.0f);
}

TEST(METNorwayParseTests, MalformedAnswersAreInvalidAndEmptyIsEmpty) {
    EXPECT_EQ(errorOf(R"({"properties":{"timeseries":[]}})"), ParseError::empty);
    for (const char* text : {
             "", "{}", "[]", "null", "not json", R"({"properties": []})",
             R"({"properties": {"timeseries": {}}})", R"({"properties": {"timeseries": [)",
             R"({"properties": {"timeseries": []}} trailing)",
             R"({"properties": {"timeseries": [null]}})",
             "{\"properties\": {\"timeseries\": [], \"x\": \"\xff\xfe\"}}",
         }) {
        EXPECT_EQ(errorOf(text), ParseError::invalid) << text;
    }
    const json good = json::parse(answer({{"2021-10-12T11:00:00Z", {{"wind_speed", 3}},
                                           {{"next_1_hours", period("rain", 1)}}}}));
    ASSERT_EQ(errorOf(good.dump()), std::nullopt);
    const std::string step = "/properties/timeseries/0";
    for (const auto& [pointer, value] : std::vector<std::pair<std::string, json>>{
             {"/time", 1634036400}, {"/time", nullptr}, {"/time", "2021-10-12T11:00:00"},
             {"/time", "2021-02-30T11:00:00Z"}, {"/time", "99999-10-12T11:00:00Z"},
             {"/data", "x"}, {"/data/instant", json::array()}, {"/data/instant/details", 5},
             {"/data/instant/details/air_temperature", "5"},
             {"/data/instant/details/cloud_area_fraction", true},
             {"/data/instant/details/fog_area_fraction", json::array({1})},
             {"/data/instant/details/wind_speed", 1e39},
             {"/data/instant/details/wind_from_direction", -1e300},
             {"/data/next_1_hours", 1}, {"/data/next_6_hours", "soon"},
             {"/data/next_1_hours/summary", "rain"},
             {"/data/next_1_hours/summary/symbol_code", nullptr},
             {"/data/next_1_hours/details", json::array()},
             {"/data/next_1_hours/details/precipitation_amount", "1 mm"}}) {
        json broken = good;
        broken[json::json_pointer(step + pointer)] = value;
        EXPECT_EQ(errorOf(broken.dump()), ParseError::invalid) << pointer << " = " << value;
    }
    json ignored = good;
    ignored[json::json_pointer(step + "/data/next_12_hours")] = "anything";
    EXPECT_EQ(errorOf(ignored.dump()), std::nullopt);
    json missing = good;
    missing[json::json_pointer(step + "/data")].erase("instant");
    EXPECT_EQ(errorOf(missing.dump()), ParseError::invalid);

    const std::string fixtureBytes = fixture("compact-2021-10-20.json");
    for (std::size_t length = 0; length + 1 < fixtureBytes.size(); length += 331) {
        EXPECT_EQ(errorOf(fixtureBytes.substr(0, length)), ParseError::invalid) << length;
    }
}

TEST(METNorwayParseTests, DeepNestingAndHugeAnswersAreRefused) {
    EXPECT_EQ(errorOf(std::string(100000, '[') + std::string(100000, ']')), ParseError::invalid);
    EXPECT_EQ(errorOf(std::string(100000, '{')), ParseError::invalid);
    const auto withMeta = [](const std::string& meta) {
        return R"({"meta": )" + meta + R"(, "properties": {"timeseries": []}})";
    };
    EXPECT_EQ(errorOf(withMeta(std::string(5000, '[') + std::string(5000, ']'))),
              ParseError::invalid);
    EXPECT_EQ(errorOf(withMeta(std::string(40, '[') + std::string(40, ']'))), ParseError::empty);
    // Brackets inside strings do not count.
    const std::string brackets = std::string(1000, '[') + "\\\"" + std::string(1000, '{');
    EXPECT_EQ(errorOf(withMeta('"' + brackets + '"')), ParseError::empty);

    std::vector<std::tuple<std::string, json, json>> steps;
    for (int i = 0; i < 20000; ++i) {
        steps.emplace_back("2021-10-12T11:00:00Z", json{{"air_temperature", i}},
                           json{{"next_1_hours", period("rain", 1)}});
    }
    const std::string large = answer(steps);
    ASSERT_GT(large.size(), 2'000'000u);
    EXPECT_EQ(parsed(large).temperature, 19999.0f);
    EXPECT_EQ(errorOf(withMeta('"' + std::string(Response::maximumSize, 'x') + '"')),
              ParseError::invalid);
}

}  // namespace
}  // namespace lumen::METNorway
