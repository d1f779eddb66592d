#include "LumenKit/weather/WeatherCondition.hpp"

namespace lumen::WeatherConditionInfo {

std::string_view rawValue(WeatherCondition condition) {
    switch (condition) {
    case WeatherCondition::clear: return "clear";
    case WeatherCondition::partlyCloudy: return "partlyCloudy";
    case WeatherCondition::cloudy: return "cloudy";
    case WeatherCondition::fog: return "fog";
    case WeatherCondition::rain: return "rain";
    case WeatherCondition::snow: return "snow";
    case WeatherCondition::thunder: return "thunder";
    }
    return "partlyCloudy";
}

std::optional<WeatherCondition> fromRawValue(std::string_view raw) {
    for (const WeatherCondition condition : allCases) {
        if (rawValue(condition) == raw) {
            return condition;
        }
    }
    return std::nullopt;
}

std::string_view displayName(WeatherCondition condition) {
    switch (condition) {
    case WeatherCondition::clear: return "Clear";
    case WeatherCondition::partlyCloudy: return "Partly cloudy";
    case WeatherCondition::cloudy: return "Cloudy";
    case WeatherCondition::fog: return "Fog";
    case WeatherCondition::rain: return "Rain";
    case WeatherCondition::snow: return "Snow";
    case WeatherCondition::thunder: return "Thunderstorm";
    }
    return "Partly cloudy";
}

bool isWet(WeatherCondition condition) {
    return condition == WeatherCondition::rain || condition == WeatherCondition::snow ||
           condition == WeatherCondition::thunder;
}

}  // namespace lumen::WeatherConditionInfo
