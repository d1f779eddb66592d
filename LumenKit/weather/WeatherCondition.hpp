#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace lumen {

// Overall weather. The order is the stored ordinal; never reorder.
enum class WeatherCondition { clear, partlyCloudy, cloudy, fog, rain, snow, thunder };

namespace WeatherConditionInfo {

inline constexpr std::array<WeatherCondition, 7> allCases{
    WeatherCondition::clear, WeatherCondition::partlyCloudy, WeatherCondition::cloudy,
    WeatherCondition::fog,   WeatherCondition::rain,         WeatherCondition::snow,
    WeatherCondition::thunder};

// The case name, e.g. "partlyCloudy".
std::string_view rawValue(WeatherCondition condition);
// Case-sensitive: "Rain" names nothing.
std::optional<WeatherCondition> fromRawValue(std::string_view raw);
// "Partly cloudy", "Thunderstorm", ...
std::string_view displayName(WeatherCondition condition);
// Rain, snow and thunder: the conditions with precipitation.
bool isWet(WeatherCondition condition);

}  // namespace WeatherConditionInfo

}  // namespace lumen
