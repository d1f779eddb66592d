#include "LumenKit/weather/METNorway.hpp"

#include "LumenKit/weather/WeatherSymbols.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <exception>

namespace lumen::METNorway {

namespace {

using nlohmann::json;

// The JSON reader recurses per level when it builds and frees values, so refuse absurd
// nesting before it sees the text. Brackets inside strings do not count.
bool nestingWithin(std::string_view bytes, int maximumDepth) {
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : bytes) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maximumDepth) {
                return false;
            }
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

// A member that is missing or null counts as absent, as the service's optional keys may be.
const json* member(const json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end() || it->is_null()) {
        return nullptr;
    }
    return &*it;
}

// What the service's numbers can physically be. A value outside its range is a fault of the
// answer, not weather: it is left absent so that field alone takes its default.
struct PhysicalRange {
    double lowest = -std::numeric_limits<float>::max();
    double highest = std::numeric_limits<float>::max();
};
constexpr PhysicalRange anyFloat{};
constexpr PhysicalRange airTemperature{-100, 70};     // °C
constexpr PhysicalRange windSpeed{0, 200};            // m/s
constexpr PhysicalRange windDirection{0, 360};        // degrees

// Every number read ends up in a float. A value of the wrong type, or one no float can hold,
// makes the answer invalid; a number outside `range` is dropped and the field falls back.
bool readNumber(const json& object, const char* key, std::optional<double>& field,
                PhysicalRange range = anyFloat) {
    const json* value = member(object, key);
    if (value == nullptr) {
        return true;
    }
    if (!value->is_number()) {
        return false;
    }
    const double number = value->get<double>();
    if (!std::isfinite(number) || std::abs(number) > std::numeric_limits<float>::max()) {
        return false;
    }
    if (number >= range.lowest && number <= range.highest) {
        field = number;
    }
    return true;
}

bool readPeriod(const json& data, const char* key, std::optional<Response::Period>& field) {
    const json* value = member(data, key);
    if (value == nullptr) {
        return true;
    }
    if (!value->is_object()) {
        return false;
    }
    Response::Period period;
    if (const json* summary = member(*value, "summary")) {
        if (!summary->is_object()) {
            return false;
        }
        const json* code = member(*summary, "symbol_code");
        if (code == nullptr || !code->is_string()) {
            return false;
        }
        // Real codes are a few dozen bytes; a longer one is no symbol, so the period reads as
        // having none and the symbol falls back.
        if (code->get_ref<const std::string&>().size() <= Response::maximumSymbolSize) {
            period.summary = Response::Summary{code->get<std::string>()};
        }
    }
    if (const json* details = member(*value, "details")) {
        if (!details->is_object()) {
            return false;
        }
        Response::PeriodDetails periodDetails;
        if (!readNumber(*details, "precipitation_amount", periodDetails.precipitation_amount)) {
            return false;
        }
        period.details = periodDetails;
    }
    field = std::move(period);
    return true;
}

std::optional<Response::Step> readStep(const json& value) {
    if (!value.is_object()) {
        return std::nullopt;
    }
    const json* time = member(value, "time");
    const json* data = member(value, "data");
    if (time == nullptr || !time->is_string() || data == nullptr || !data->is_object()) {
        return std::nullopt;
    }
    Response::Step step;
    const auto instant = parseISO8601(time->get_ref<const std::string&>());
    if (!instant) {
        return std::nullopt;
    }
    step.time = *instant;

    const json* instantValue = member(*data, "instant");
    const json* details = instantValue != nullptr && instantValue->is_object()
                              ? member(*instantValue, "details")
                              : nullptr;
    if (details == nullptr || !details->is_object()) {
        return std::nullopt;
    }
    Response::InstantDetails& read = step.data.instant.details;
    const bool readable =
        readNumber(*details, "air_temperature", read.air_temperature, airTemperature) &&
        readNumber(*details, "cloud_area_fraction", read.cloud_area_fraction) &&
        readNumber(*details, "fog_area_fraction", read.fog_area_fraction) &&
        readNumber(*details, "wind_speed", read.wind_speed, windSpeed) &&
        readNumber(*details, "wind_from_direction", read.wind_from_direction, windDirection) &&
                          readPeriod(*data, "next_1_hours", step.data.next_1_hours) &&
                          readPeriod(*data, "next_6_hours", step.data.next_6_hours);
    if (!readable) {
        return std::nullopt;
    }
    return step;
}

std::optional<Response> readResponse(const json& document) {
    if (!document.is_object()) {
        return std::nullopt;
    }
    const json* properties = member(document, "properties");
    const json* timeseries = properties != nullptr && properties->is_object()
                                 ? member(*properties, "timeseries")
                                 : nullptr;
    if (timeseries == nullptr || !timeseries->is_array()) {
        return std::nullopt;
    }
    Response response;
    response.properties.timeseries.reserve(timeseries->size());
    for (const json& value : *timeseries) {
        auto step = readStep(value);
        if (!step) {
            return std::nullopt;
        }
        response.properties.timeseries.push_back(std::move(*step));
    }
    return response;
}

float clampedUnit(double value) {
    return static_cast<float>(std::clamp(value, 0.0, 1.0));
}

WeatherState weatherOf(const Response::Step& step) {
    const Response::InstantDetails& details = step.data.instant.details;
    const double temperature = details.air_temperature.value_or(10.0);

    const bool sixHours = !step.data.next_1_hours && step.data.next_6_hours;
    const std::optional<Response::Period>& period =
        step.data.next_1_hours ? step.data.next_1_hours : step.data.next_6_hours;

    std::string symbol = "partlycloudy_day";
    if (period && period->summary) {
        symbol = period->summary->symbol_code;
    }
    const auto [condition, symbolIntensity] = WeatherSymbols::classify(symbol, temperature);
    const bool wet = WeatherConditionInfo::isWet(condition);

    double intensity = symbolIntensity;
    if (wet && period && period->details && period->details->precipitation_amount) {
        const double perHour = *period->details->precipitation_amount / (sixHours ? 6.0 : 1.0);
        intensity = std::min(
            1.0, std::max(0.15, std::max(std::min(1.0, 0.25 * perHour), 0.6 * symbolIntensity)));
    }

    double fog = details.fog_area_fraction.value_or(0.0) / 100.0;
    if (condition == WeatherCondition::fog && fog <= 0.8) {
        fog = 0.8;
    }
    double cloudCover = details.cloud_area_fraction ? *details.cloud_area_fraction / 100.0 : 0.5;
    if (wet && cloudCover <= 0.85) {
        cloudCover = 0.85;
    }

    WeatherState state;
    state.condition = condition;
    state.precipitation = wet ? static_cast<float>(intensity) : 0.0f;
    state.cloudCover = clampedUnit(cloudCover);
    state.fog = clampedUnit(fog);
    state.windSpeed = static_cast<float>(details.wind_speed.value_or(2.0));
    state.windFrom = static_cast<float>(details.wind_from_direction.value_or(250.0));
    state.temperature = static_cast<float>(temperature);
    state.symbol = std::move(symbol);
    state.time = step.time;
    return state;
}

}  // namespace

std::optional<Response> Response::decode(std::string_view bytes) {
    // The reader stops at a NUL byte as if the text ended there; JSON never holds a raw one,
    // so an answer with one anywhere in its length is not the answer.
    if (bytes.size() > maximumSize || bytes.find('\0') != std::string_view::npos ||
        !nestingWithin(bytes, maximumDepth)) {
        return std::nullopt;
    }
    try {
        const json document = json::parse(bytes.begin(), bytes.end(), nullptr, false);
        if (document.is_discarded()) {
            return std::nullopt;
        }
        return readResponse(document);
    } catch (const std::exception&) {
        // Out of memory or a reader fault: the answer is unusable either way.
        return std::nullopt;
    }
}

ParseResult parse(std::string_view bytes, std::chrono::system_clock::time_point now) {
    try {
        const auto response = Response::decode(bytes);
        if (!response) {
            return ParseError::invalid;
        }
        const auto& steps = response->properties.timeseries;
        if (steps.empty()) {
            return ParseError::empty;
        }
        const auto latestPast = std::find_if(steps.rbegin(), steps.rend(),
                                             [now](const Response::Step& step) {
                                                 return step.time <= now;
                                             });
        return weatherOf(latestPast != steps.rend() ? *latestPast : steps.front());
    } catch (const std::exception&) {
        return ParseError::invalid;
    }
}

}  // namespace lumen::METNorway
