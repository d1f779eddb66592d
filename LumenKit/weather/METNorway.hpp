#pragma once

#include "LumenKit/weather/CacheState.hpp"
#include "LumenKit/weather/FetchPolicy.hpp"
#include "LumenKit/weather/WeatherState.hpp"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace lumen {

// The pure side of the MET Norway location forecast ("compact" variant): the request, the date
// headers and the reading of an answer. No input or output; safe on any thread.
namespace METNorway {

inline constexpr std::string_view apiHost = "api.met.no";
inline constexpr std::string_view forecastPath = "/weatherapi/locationforecast/2.0/compact";

enum class ParseError { invalid, empty };

// One line for the user and the log.
std::string_view description(ParseError error);

// The answer as read; field names are the service's keys. Every other key is ignored.
struct Response {
    struct InstantDetails {
        std::optional<double> air_temperature;
        std::optional<double> cloud_area_fraction;
        std::optional<double> fog_area_fraction;
        std::optional<double> wind_speed;
        std::optional<double> wind_from_direction;
    };
    struct Instant {
        InstantDetails details;
    };
    struct Summary {
        std::string symbol_code;
    };
    struct PeriodDetails {
        std::optional<double> precipitation_amount;
    };
    struct Period {
        std::optional<Summary> summary;
        std::optional<PeriodDetails> details;
    };
    struct StepData {
        Instant instant;
        std::optional<Period> next_1_hours;
        std::optional<Period> next_6_hours;
    };
    struct Step {
        std::chrono::system_clock::time_point time;
        StepData data;
    };
    struct Properties {
        std::vector<Step> timeseries;
    };

    Properties properties;

    // None when the bytes are not the expected JSON: not JSON at all, a NUL byte anywhere in
    // their length, nested absurdly deep, larger than `maximumSize`, a required key missing, a
    // wrong type, a number that does not fit a float, or a time that is not an ISO 8601
    // date-time. Never throws. Numbers outside what they can physically be (temperature
    // -100...70 °C, wind 0...200 m/s, direction 0...360°) and symbol codes longer than
    // `maximumSymbolSize` are read as absent, so each such field falls back to its default.
    static std::optional<Response> decode(std::string_view bytes);

    // Real answers are a few hundred kilobytes at most; larger ones are refused unread.
    static constexpr std::size_t maximumSize = 4 * 1024 * 1024;
    static constexpr std::size_t maximumSymbolSize = 64;
    // Real answers nest seven levels deep.
    static constexpr int maximumDepth = 64;
};

// https://api.met.no/weatherapi/locationforecast/2.0/compact?lat=<lat>&lon=<lon>
std::string requestURL(double latitude, double longitude);

// Truncated towards zero to four decimals, without trailing zeros: 12.34567 -> "12.3456",
// 10 -> "10", -0.5 -> "-0.5".
std::string coordinateText(double coordinate);

// app/version (+contact), the identification the service's terms ask for.
std::string userAgent(std::string_view app, std::string_view version, std::string_view contact);

// "Tue, 12 Oct 2021 09:25:17 GMT" style (day name, day, month name, year, time, zone).
// Absent or unreadable text, or an impossible date, gives no instant.
std::optional<std::chrono::system_clock::time_point> parseHTTPDate(
    const std::optional<std::string>& text);

// An ISO 8601 date-time with a zone: "2021-10-12T11:00:00Z", "...T13:00:00+02:00".
std::optional<std::chrono::system_clock::time_point> parseISO8601(std::string_view text);

using ParseResult = std::variant<WeatherState, ParseError>;

// The weather of the latest step not in the future (the first step when all are).
ParseResult parse(std::string_view bytes, std::chrono::system_clock::time_point now);

}  // namespace METNorway

}  // namespace lumen
