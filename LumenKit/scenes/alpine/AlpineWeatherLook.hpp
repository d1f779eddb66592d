#pragma once

#include "LumenKit/weather/WeatherState.hpp"

#include <cstdint>
#include <optional>
#include <string_view>

namespace lumen::alpine {

// What the scene's shaders need to know of the weather.
struct AlpineWeatherLook {
    // Ten floats in this order; rain and snow are 0 or at least 0.2, wetness and lightning 0 or 1.
    float cloudCover = 0, cloudDarkness = 0.2f;
    float rain = 0, snow = 0, fog = 0;
    float wind = 0;      // forecast m/s / 12, at most 1
    float windFrom = 0;  // compass degrees
    float snowLine = 0;  // metres; white above
    float wetness = 0, lightning = 0;
    bool operator==(const AlpineWeatherLook&) const = default;

    static AlpineWeatherLook from(const WeatherState& weather, int month);
    // `option` is the scene's "weather" option: a condition's name fixes the weather, anything
    // else follows `weather` (fair when there is none).
    static AlpineWeatherLook target(std::string_view option, const std::optional<WeatherState>& weather, int month);
    // Per field; the wind direction turns the short way round. t is clamped to 0...1.
    static AlpineWeatherLook blend(const AlpineWeatherLook& from, const AlpineWeatherLook& to, float t);
    static float seasonalSnowLine(int month);
    static int month(std::int64_t dayOfYear);
    // Every field finite and in its range (a damaged forecast cache must not reach a shader).
    AlpineWeatherLook sanitized() const;
};

}  // namespace lumen::alpine
