#include "LumenKit/weather/WeatherState.hpp"

#include "LumenKit/core/ReferenceDate.hpp"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

namespace lumen {

namespace {

// Stored floats may come from anywhere; one beyond float range would be undefined to convert.
std::optional<float> floatMember(const nlohmann::json& json, const char* key) {
    const auto it = json.find(key);
    if (it == json.end() || !it->is_number()) {
        return std::nullopt;
    }
    const double value = it->get<double>();
    if (!std::isfinite(value) || std::abs(value) > std::numeric_limits<float>::max()) {
        return std::nullopt;
    }
    return static_cast<float>(value);
}

std::string lowercased(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return result;
}

// Half away from zero, never "-0"; huge or non-finite values print as they are.
std::string wholeDegrees(float temperature) {
    double rounded = std::round(static_cast<double>(temperature));
    if (rounded == 0) {
        rounded = 0;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.0f", rounded);
    return buffer;
}

}  // namespace

const WeatherState& WeatherState::fair() {
    static const WeatherState state{};
    return state;
}

WeatherState WeatherState::sample(WeatherCondition condition) {
    WeatherState state = fair();
    state.condition = condition;
    switch (condition) {
    case WeatherCondition::clear:
        state.cloudCover = 0.05f;
        state.symbol = "clearsky_day";
        break;
    case WeatherCondition::partlyCloudy:
        break;
    case WeatherCondition::cloudy:
        state.cloudCover = 0.92f;
        state.windSpeed = 4;
        state.symbol = "cloudy";
        break;
    case WeatherCondition::fog:
        state.cloudCover = 0.7f;
        state.fog = 0.85f;
        state.windSpeed = 0.8f;
        state.symbol = "fog";
        break;
    case WeatherCondition::rain:
        state.precipitation = 0.6f;
        state.cloudCover = 1;
        state.windSpeed = 5;
        state.temperature = 9;
        state.symbol = "rain";
        break;
    case WeatherCondition::snow:
        state.precipitation = 0.55f;
        state.cloudCover = 1;
        state.windSpeed = 2;
        state.temperature = -3;
        state.symbol = "snow";
        break;
    case WeatherCondition::thunder:
        state.precipitation = 0.95f;
        state.cloudCover = 1;
        state.windSpeed = 8;
        state.temperature = 18;
        state.symbol = "heavyrainandthunder";
        break;
    }
    return state;
}

std::string WeatherState::summary() const {
    const std::string_view name = WeatherConditionInfo::displayName(condition);
    std::string line;
    if (condition == WeatherCondition::rain || condition == WeatherCondition::snow) {
        if (precipitation < 0.4f) {
            line = "Light " + lowercased(name);
        } else if (precipitation > 0.8f) {
            line = "Heavy " + lowercased(name);
        }
    }
    if (line.empty()) {
        line = name;
    }
    return line + ", " + wholeDegrees(temperature) + " °C";
}

nlohmann::json WeatherState::toJSON() const {
    return nlohmann::json{
        {"condition", WeatherConditionInfo::rawValue(condition)},
        {"precipitation", precipitation},
        {"cloudCover", cloudCover},
        {"fog", fog},
        {"windSpeed", windSpeed},
        {"windFrom", windFrom},
        {"temperature", temperature},
        {"symbol", symbol},
        {"time", ReferenceDate::secondsSinceReference(time)},
    };
}

std::optional<WeatherState> WeatherState::fromJSON(const nlohmann::json& json) {
    if (!json.is_object()) {
        return std::nullopt;
    }
    const auto conditionIt = json.find("condition");
    const auto symbolIt = json.find("symbol");
    const auto timeIt = json.find("time");
    if (conditionIt == json.end() || !conditionIt->is_string() || symbolIt == json.end() ||
        !symbolIt->is_string() || timeIt == json.end() || !timeIt->is_number()) {
        return std::nullopt;
    }
    const auto condition =
        WeatherConditionInfo::fromRawValue(conditionIt->get_ref<const std::string&>());
    const auto time = ReferenceDate::instant(timeIt->get<double>());
    const auto precipitation = floatMember(json, "precipitation");
    const auto cloudCover = floatMember(json, "cloudCover");
    const auto fog = floatMember(json, "fog");
    const auto windSpeed = floatMember(json, "windSpeed");
    const auto windFrom = floatMember(json, "windFrom");
    const auto temperature = floatMember(json, "temperature");
    if (!condition || !time || !precipitation || !cloudCover || !fog || !windSpeed || !windFrom ||
        !temperature) {
        return std::nullopt;
    }
    WeatherState state;
    state.condition = *condition;
    state.precipitation = *precipitation;
    state.cloudCover = *cloudCover;
    state.fog = *fog;
    state.windSpeed = *windSpeed;
    state.windFrom = *windFrom;
    state.temperature = *temperature;
    state.symbol = symbolIt->get<std::string>();
    state.time = *time;
    return state;
}

}  // namespace lumen
