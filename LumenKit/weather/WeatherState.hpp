#pragma once

#include "LumenKit/weather/WeatherCondition.hpp"

#include <nlohmann/json_fwd.hpp>

#include <chrono>
#include <optional>
#include <string>

namespace lumen {

// The weather every weather-driven scene reads. A default-built state is the fair state.
struct WeatherState {
    WeatherCondition condition = WeatherCondition::partlyCloudy;
    float precipitation = 0;  // 0...1; 0 unless the condition is wet
    float cloudCover = 0.3f;  // 0...1
    float fog = 0;            // 0...1
    float windSpeed = 2.5f;   // m/s
    float windFrom = 250;     // compass degrees the wind blows from
    float temperature = 14;   // °C
    std::string symbol = "fair_day";
    std::chrono::system_clock::time_point time{};  // forecast step; the fair state's is 1970

    bool operator==(const WeatherState&) const = default;

    // Shown whenever no live weather is known.
    static const WeatherState& fair();
    // A representative state per condition, for previews and fixed-weather options.
    static WeatherState sample(WeatherCondition condition);

    // One line for the settings, e.g. "Light rain, 9 °C".
    std::string summary() const;

    // Keys are the field names; `condition` as its raw value, `time` as seconds since
    // 2001-01-01 UTC. Decoding gives no value unless every key is there with the right type.
    nlohmann::json toJSON() const;
    static std::optional<WeatherState> fromJSON(const nlohmann::json& json);
};

}  // namespace lumen
