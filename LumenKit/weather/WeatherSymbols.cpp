#include "LumenKit/weather/WeatherSymbols.hpp"

#include <algorithm>

namespace lumen::WeatherSymbols {

namespace {

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

float prefixIntensity(std::string_view base) {
    if (base.starts_with("light")) {
        return 0.3f;
    }
    if (base.starts_with("heavy")) {
        return 0.9f;
    }
    return 0.6f;
}

}  // namespace

std::string_view baseSymbol(std::string_view symbol) {
    for (const std::string_view suffix : daypartSuffixes) {
        if (symbol.ends_with(suffix)) {
            symbol.remove_suffix(suffix.size());
            return symbol;
        }
    }
    return symbol;
}

Classification classify(std::string_view symbol, double temperature) {
    const std::string_view base = baseSymbol(symbol);
    const float intensity = prefixIntensity(base);

    // Order matters: "lightsnowandthunder" is snow, "sleetandthunder" is thunder, and the
    // showers forms all contain "rain", "snow" or "sleet".
    if (contains(base, "thunder")) {
        if (contains(base, "snow")) {
            return {WeatherCondition::snow, intensity};
        }
        return {WeatherCondition::thunder, std::max(0.7f, intensity)};
    }
    if (contains(base, "snow")) {
        return {WeatherCondition::snow, intensity};
    }
    if (contains(base, "sleet")) {
        // NaN compares false, so an unknown temperature reads as rain.
        return {temperature <= 0.5 ? WeatherCondition::snow : WeatherCondition::rain, intensity};
    }
    if (contains(base, "rain")) {
        return {WeatherCondition::rain, intensity};
    }
    if (base == "fog") {
        return {WeatherCondition::fog, 0};
    }
    if (base == "cloudy") {
        return {WeatherCondition::cloudy, 0};
    }
    if (base == "partlycloudy" || base == "fair") {
        return {WeatherCondition::partlyCloudy, 0};
    }
    if (base == "clearsky") {
        return {WeatherCondition::clear, 0};
    }
    return {WeatherCondition::partlyCloudy, 0};
}

}  // namespace lumen::WeatherSymbols
