#include "LumenKit/scenes/alpine/AlpineWeatherLook.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumen::alpine {

namespace {

float finite(float v, float fallback) { return std::isfinite(v) ? v : fallback; }
float bounded(float v, float lo, float hi, float fallback) { return std::clamp(finite(v, fallback), lo, hi); }

// The forecast fields the mapping reads, each finite and in range.
WeatherState cleaned(const WeatherState& w) {
    const WeatherState& fair = WeatherState::fair();
    WeatherState c = w;
    c.precipitation = bounded(w.precipitation, 0, 1, 0);
    c.cloudCover = bounded(w.cloudCover, 0, 1, fair.cloudCover);
    c.fog = bounded(w.fog, 0, 1, 0);
    c.windSpeed = bounded(w.windSpeed, 0, 100, fair.windSpeed);
    c.windFrom = std::fmod(bounded(w.windFrom, -1e6f, 1e6f, fair.windFrom), 360.0f);
    if (c.windFrom < 0) c.windFrom += 360;
    c.temperature = bounded(w.temperature, -90, 60, fair.temperature);
    return c;
}

}  // namespace

float AlpineWeatherLook::seasonalSnowLine(int month) {
    const double u = (std::clamp(month, 1, 12) - 1.5) / 12.0;
    return static_cast<float>((0.5 - 0.5 * std::cos(2 * std::numbers::pi * u)) * 1500.0 + 700.0);
}

int AlpineWeatherLook::month(std::int64_t dayOfYear) {
    return static_cast<int>(std::clamp<std::int64_t>(dayOfYear * 12 / 365, 0, 11)) + 1;
}

AlpineWeatherLook AlpineWeatherLook::from(const WeatherState& state, int month) {
    const WeatherState w = cleaned(state);
    AlpineWeatherLook look;
    look.wind = std::min(w.windSpeed / 12.0f, 1.0f);
    look.windFrom = w.windFrom;
    look.snowLine = seasonalSnowLine(month);
    look.fog = w.fog;
    const float stormDark = 0.55f + 0.35f * w.precipitation;
    const float wetSnowLine = std::min(look.snowLine, 900.0f + 120.0f * std::max(w.temperature, 0.0f));
    switch (w.condition) {
    case WeatherCondition::clear:
        look.cloudCover = std::min(w.cloudCover, 0.12f);
        break;
    case WeatherCondition::partlyCloudy:
        look.cloudCover = std::clamp(w.cloudCover, 0.25f, 0.6f);
        break;
    case WeatherCondition::cloudy:
        look.cloudCover = std::max(w.cloudCover, 0.85f);
        look.cloudDarkness = 0.45f;
        break;
    case WeatherCondition::fog:
        look.cloudCover = std::max(w.cloudCover, 0.6f);
        look.cloudDarkness = 0.35f;
        look.fog = std::max(w.fog, 0.8f);
        break;
    case WeatherCondition::rain:
    case WeatherCondition::thunder:
        look.cloudCover = 1;
        look.cloudDarkness = stormDark;
        look.rain = std::max(w.precipitation, 0.2f);
        look.fog = std::max(w.fog, 0.25f);
        look.snowLine = wetSnowLine;
        look.wetness = 1;
        look.lightning = w.condition == WeatherCondition::thunder ? 1.0f : 0.0f;
        break;
    case WeatherCondition::snow:
        look.cloudCover = 1;
        look.cloudDarkness = 0.4f;
        look.snow = std::max(w.precipitation, 0.2f);
        look.fog = std::max(w.fog, 0.2f);
        look.snowLine = w.temperature <= 1.0f ? 0.0f : std::min(look.snowLine, 500.0f);
        break;
    }
    return look;
}

AlpineWeatherLook AlpineWeatherLook::target(std::string_view option, const std::optional<WeatherState>& weather,
                                            int month) {
    if (option != "live") {
        if (const auto condition = WeatherConditionInfo::fromRawValue(option)) return from(WeatherState::sample(*condition), month);
    }
    return from(weather.value_or(WeatherState::fair()), month);
}

AlpineWeatherLook AlpineWeatherLook::blend(const AlpineWeatherLook& a, const AlpineWeatherLook& b, float t) {
    t = std::clamp(finite(t, 1), 0.0f, 1.0f);
    const auto mix = [t](float x, float y) { return x + (y - x) * t; };
    AlpineWeatherLook r;
    r.cloudCover = mix(a.cloudCover, b.cloudCover);
    r.cloudDarkness = mix(a.cloudDarkness, b.cloudDarkness);
    r.rain = mix(a.rain, b.rain);
    r.snow = mix(a.snow, b.snow);
    r.fog = mix(a.fog, b.fog);
    r.wind = mix(a.wind, b.wind);
    float d = b.windFrom - a.windFrom;
    if (d > 180) d -= 360;
    else if (d < -180) d += 360;
    r.windFrom = a.windFrom + d * t;
    r.snowLine = mix(a.snowLine, b.snowLine);
    r.wetness = mix(a.wetness, b.wetness);
    r.lightning = mix(a.lightning, b.lightning);
    if (t >= 1) return b;
    return r;
}

AlpineWeatherLook AlpineWeatherLook::sanitized() const {
    AlpineWeatherLook s;
    s.cloudCover = bounded(cloudCover, 0, 1, 0);
    s.cloudDarkness = bounded(cloudDarkness, 0.2f, 1.0f, 0.2f);
    s.rain = bounded(rain, 0, 1, 0);
    s.snow = bounded(snow, 0, 1, 0);
    s.fog = bounded(fog, 0, 1, 0);
    s.wind = bounded(wind, 0, 1, 0);
    s.windFrom = bounded(windFrom, -720, 720, 0);
    s.snowLine = bounded(snowLine, 0, 2175, 2175);
    s.wetness = bounded(wetness, 0, 1, 0);
    s.lightning = bounded(lightning, 0, 1, 0);
    return s;
}

}  // namespace lumen::alpine
