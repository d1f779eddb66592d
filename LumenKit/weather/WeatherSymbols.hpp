#pragma once

#include "LumenKit/weather/WeatherCondition.hpp"

#include <array>
#include <string_view>

namespace lumen {

// Maps MET Norway forecast symbol codes ("partlycloudy_day", "heavyrainandthunder") onto the
// seven conditions.
namespace WeatherSymbols {

// Tried in this order; only the first one a code ends with is removed.
inline constexpr std::array<std::string_view, 3> daypartSuffixes{"_day", "_night",
                                                                 "_polartwilight"};

struct Classification {
    WeatherCondition condition = WeatherCondition::partlyCloudy;
    float intensity = 0;  // 0...1

    bool operator==(const Classification&) const = default;
};

// The code without its daypart suffix; unchanged when it has none.
std::string_view baseSymbol(std::string_view symbol);

// Condition and precipitation intensity of a code. Sleet turns to snow at or below 0.5 °C.
Classification classify(std::string_view symbol, double temperature);

}  // namespace WeatherSymbols

}  // namespace lumen
