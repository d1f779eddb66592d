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

Instant utc(int y, unsigned m, unsigned d, int h = 0) { return date::sys_days{date::year{y} / m / d} + hours{h}; }
const Instant noonInstant = utc(2021, 10, 12, 12);

// Real answers of the service, saved as they came.
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

// An answer with steps of (time, instant details, step data).
std::string answer(std::vector<std::tuple<std::string, json, json>> steps) {
    json series = json::array();
    for (auto& [time, details, data] : steps) {
        if (data.is_null()) data = json::object();
        data["instant"] = {{"details", details.is_null() ? json::object() : details}};
        series.push_back({{"time", time}, {"data", data}});
    }
    return json{{"type", "Feature"}, {"properties", {{"timeseries", series}}}}.dump();
}

std::optional<ParseError> errorOf(std::string_view bytes) {
    const ParseResult result = parse(bytes, noonInstant);
    const auto* error = std::get_if<ParseError>(&result);
    return error ? std::optional(*error) : std::nullopt;
}

WeatherState parsed(const std::string& bytes, Instant now = noonInstant) {
    const ParseResult result = parse(bytes, now);
    if (const auto* error = std::get_if<ParseError>(&result)) {
        ADD_FAILURE() << description(*error);
        return {};
    }
    return std::get<WeatherState>(result);
}

// One step at 11:00 with these instant details and step data, read at noonInstant.
WeatherState single(json details, json data) {
    return parsed(answer({{"2021-10-12T11:00:00Z", std::move(details), std::move(data)}}));
}

TEST(METNorwayParseTests, ReadsTheServicesRealAnswers) {
    const std::string first = fixture("compact-2021-10-12.json");
    const auto response = Response::decode(first);
    ASSERT_TRUE(response);
    ASSERT_EQ(response->properties.timeseries.size(), 89u);
    const Response::Step& step0 = response->properties.timeseries.front();
    EXPECT_EQ(step0.data.instant.details.fog_area_fraction, std::nullopt);
    EXPECT_EQ(step0.data.next_6_hours.value().details.value().precipitation_amount, 0.4);
    const WeatherState start = parsed(first, utc(2021, 10, 12, 11) + 30min);
    EXPECT_EQ(start, (WeatherState{partlyCloudy, 0, 0.547f, 0, 7.4f, 255.9f, 26.7f, "partlycloudy_day",
                                   utc(2021, 10, 12, 11)}));
    EXPECT_EQ(parsed(first, utc(2020, 1, 1)), start);  // all steps ahead: the first
    // 12:00, light rain showers of 0.1 mm: 0.6 × 0.3 wins; the clouds lift to 0.85.
    EXPECT_EQ(parsed(first), (WeatherState{rain, 0.18f, 0.85f, 0, 8.2f, 252.3f, 26.6f, "lightrainshowers_day", noonInstant}));
    EXPECT_EQ(parsed(first, utc(2030, 1, 1)).symbol, "partlycloudy_day");  // past the end: the last step
    // A six-hourly step of the second answer: 3 mm of rain over six hours.
    const WeatherState sixHourly = parsed(fixture("compact-2021-10-20.json"), utc(2021, 10, 26, 14));
    EXPECT_EQ(sixHourly.time, utc(2021, 10, 26, 12));
    EXPECT_EQ(sixHourly.condition, rain);
    EXPECT_FLOAT_EQ(sixHourly.precipitation, 0.36f);
}

TEST(METNorwayParseTests, ChoosesTheLatestStepNotInTheFuture) {
    const auto temperature = [](std::vector<const char*> times, Instant now) {
        std::vector<std::tuple<std::string, json, json>> steps;
        for (std::size_t i = 0; i < times.size(); ++i) {
            steps.emplace_back(times[i], json{{"air_temperature", i + 1}}, json{});
        }
        return parsed(answer(steps), now).temperature;
    };
    const std::vector<const char*> hours{"2021-10-12T10:00:00Z", "2021-10-12T11:00:00Z", "2021-10-12T12:00:00Z",
                                         "2021-10-12T13:00:00Z"};
    EXPECT_EQ(temperature(hours, utc(2021, 10, 12, 9)), 1.0f);
    EXPECT_EQ(temperature(hours, noonInstant), 3.0f);
    EXPECT_EQ(temperature(hours, utc(2021, 10, 12, 13) - 1ns), 3.0f);
    EXPECT_EQ(temperature(hours, utc(2021, 10, 13)), 4.0f);
    // Out of order: the only past step is the third.
    EXPECT_EQ(temperature({"2021-10-12T14:00:00Z", "2021-10-12T15:00:00Z", "2021-10-12T09:00:00Z",
                           "2021-10-12T16:00:00Z"}, noonInstant), 3.0f);
}

TEST(METNorwayParseTests, DefaultsPeriodsPrecipitationAndFloors) {
    EXPECT_EQ(single({}, {}), (WeatherState{partlyCloudy, 0, 0.5f, 0, 2, 250, 10, "partlycloudy_day",
                                            utc(2021, 10, 12, 11)}));
    // The hourly period wins over the six-hour one, even without a summary of its own.
    EXPECT_EQ(single({}, {{"next_1_hours", period("rain_night", 8)}, {"next_6_hours", period("heavyrain", 12)}}).symbol,
              "rain_night");
    EXPECT_EQ(single({}, {{"next_1_hours", {{"details", {{"precipitation_amount", 5}}}}},
                          {"next_6_hours", period("heavyrain", 12)}}).symbol,
              "partlycloudy_day");
    struct Case {
        const char* why;
        json details, data;
        WeatherCondition condition;
        float precipitation, cloudCover, fog;
    };
    const Case cases[] = {
        // max(min(1, 0.25 mm/h), 0.6 × symbol intensity), at least 0.15.
        {"six hours of 12 mm", {}, {{"next_6_hours", period("heavyrain", 12)}}, rain, 0.54f, 0.85f, 0},
        {"8 mm in the hour saturates", {}, {{"next_1_hours", period("rain", 8)}}, rain, 1, 0.85f, 0},
        {"3 mm in the hour", {}, {{"next_1_hours", period("rain", 3)}}, rain, 0.75f, 0.85f, 0},
        {"no amount", {}, {{"next_1_hours", period("lightrain")}}, rain, 0.3f, 0.85f, 0},
        {"thunder without rain", {}, {{"next_1_hours", period("thunder", 0)}}, thunder, 0.42f, 0.85f, 0},
        {"a negative amount", {}, {{"next_1_hours", period("lightsnow", -4)}}, snow, 0.18f, 0.85f, 0},
        {"dry weather ignores the amount", {}, {{"next_1_hours", period("cloudy", 9)}}, cloudy, 0, 0.5f, 0},
        {"sleet near freezing", {{"air_temperature", 0.2}}, {{"next_1_hours", period("sleet")}}, snow, 0.6f, 0.85f, 0},
        {"fog raised to 0.8", {{"fog_area_fraction", 75}}, {{"next_1_hours", period("fog")}}, fog, 0, 0.5f, 0.8f},
        {"thick fog kept", {{"fog_area_fraction", 95}}, {{"next_1_hours", period("fog")}}, fog, 0, 0.5f, 0.95f},
        {"mist without a fog symbol", {{"fog_area_fraction", 30}}, {{"next_1_hours", period("cloudy")}}, cloudy, 0,
         0.5f, 0.3f},
        {"fog clamped", {{"fog_area_fraction", 250}}, {{"next_1_hours", period("cloudy")}}, cloudy, 0, 0.5f, 1},
        {"wet skies are at least 0.85 cloudy", {{"cloud_area_fraction", 82}}, {{"next_1_hours", period("rain")}}, rain,
         0.6f, 0.85f, 0},
        {"wet and cloudier", {{"cloud_area_fraction", 90}}, {{"next_1_hours", period("lightsnow_day")}}, snow, 0.3f,
         0.9f, 0},
        {"dry clouds kept", {{"cloud_area_fraction", 40}}, {{"next_1_hours", period("fair_night")}}, partlyCloudy, 0,
         0.4f, 0},
        {"clouds clamped", {{"cloud_area_fraction", -5}}, {{"next_1_hours", period("clearsky_day")}}, clear, 0, 0, 0},
        {"nulls count as absent", {{"air_temperature", nullptr}},
         {{"next_1_hours", nullptr}, {"next_6_hours", {{"summary", {{"symbol_code", "fog"}}}, {"details", nullptr}}}},
         fog, 0, 0.5f, 0.8f},
    };
    for (const Case& c : cases) {
        const WeatherState state = single(c.details, c.data);
        EXPECT_EQ(state.condition, c.condition) << c.why;
        EXPECT_FLOAT_EQ(state.precipitation, c.precipitation) << c.why;
        EXPECT_FLOAT_EQ(state.cloudCover, c.cloudCover) << c.why;
        EXPECT_FLOAT_EQ(state.fog, c.fog) << c.why;
    }
}

TEST(METNorwayParseTests, MalformedAnswersAreInvalidAndEmptyIsEmpty) {
    EXPECT_EQ(errorOf(R"({"properties":{"timeseries":[]}})"), ParseError::empty);
    for (const char* text : {"", "{}", "[]", "null", R"({"properties": []})", R"({"properties": {"timeseries": {}}})",
                             R"({"properties": {"timeseries": []}} x)", R"({"properties": {"timeseries": [null]}})",
                             "{\"properties\": {\"timeseries\": [], \"x\": \"\xff\xfe\"}}"}) {
        EXPECT_EQ(errorOf(text), ParseError::invalid) << text;
    }
    const json good = json::parse(
        answer({{"2021-10-12T11:00:00Z", {{"wind_speed", 3}}, {{"next_1_hours", period("rain", 1)}}}}));
    ASSERT_EQ(errorOf(good.dump()), std::nullopt);
    const std::string step = "/properties/timeseries/0";
    for (const auto& [pointer, value] : std::vector<std::pair<std::string, json>>{
             {"/time", 1634036400}, {"/time", nullptr}, {"/time", "2021-10-12T11:00:00"},
             {"/time", "2021-02-30T11:00:00Z"}, {"/data", "x"}, {"/data/instant", json::array()},
             {"/data/instant/details", 5}, {"/data/instant/details/air_temperature", "5"},
             {"/data/instant/details/cloud_area_fraction", true}, {"/data/instant/details/wind_speed", 1e39},
             {"/data/instant/details/wind_from_direction", -1e300}, {"/data/next_6_hours", "soon"},
             {"/data/next_1_hours/summary", "rain"}, {"/data/next_1_hours/summary/symbol_code", nullptr},
             {"/data/next_1_hours/details", json::array()},
             {"/data/next_1_hours/details/precipitation_amount", "1 mm"}}) {
        json broken = good;
        broken[json::json_pointer(step + pointer)] = value;
        EXPECT_EQ(errorOf(broken.dump()), ParseError::invalid) << pointer << " = " << value;
    }
    json missing = good;
    missing[json::json_pointer(step + "/data")].erase("instant");
    EXPECT_EQ(errorOf(missing.dump()), ParseError::invalid);
    // A cut-off download is never half read.
    const std::string fixtureBytes = fixture("compact-2021-10-20.json");
    for (std::size_t length = 0; length + 1 < fixtureBytes.size(); length += 331) {
        EXPECT_EQ(errorOf(fixtureBytes.substr(0, length)), ParseError::invalid) << length;
    }
}

TEST(METNorwayParseTests, DeepNestingAndHugeAnswersAreRefused) {
    EXPECT_EQ(errorOf(std::string(100000, '[') + std::string(100000, ']')), ParseError::invalid);
    const auto withMeta = [](const std::string& meta) {
        return R"({"meta": )" + meta + R"(, "properties": {"timeseries": []}})";
    };
    EXPECT_EQ(errorOf(withMeta(std::string(5000, '[') + std::string(5000, ']'))), ParseError::invalid);
    EXPECT_EQ(errorOf(withMeta(std::string(40, '[') + std::string(40, ']'))), ParseError::empty);
    // Brackets inside strings do not count, escaped quotes included.
    EXPECT_EQ(errorOf(withMeta("\"" + std::string(1000, '[') + "\\\"" + std::string(1000, '{') + "\"")),
              ParseError::empty);
    std::vector<std::tuple<std::string, json, json>> steps;
    const json rainy{{"next_1_hours", period("rain", 1)}};
    for (int i = 0; i < 20000; ++i) steps.emplace_back("2021-10-12T11:00:00Z", json{{"air_temperature", i % 50}}, rainy);
    EXPECT_EQ(parsed(answer(steps)).temperature, 49.0f);  // more than 2 MB: the last step read
    EXPECT_EQ(errorOf(withMeta('"' + std::string(Response::maximumSize, 'x') + '"')), ParseError::invalid);
}

}  // namespace
}  // namespace lumen::METNorway
