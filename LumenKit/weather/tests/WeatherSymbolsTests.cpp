#include "LumenKit/weather/WeatherCondition.hpp"
#include "LumenKit/weather/WeatherSymbols.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace lumen {
namespace {

using enum WeatherCondition;

TEST(WeatherSymbolsTests, EveryFamilyWithItsIntensity) {
    struct Case {
        const char* symbol;
        double temperature;
        WeatherCondition condition;
        float intensity;
    };
    const Case cases[] = {
        {"clearsky_polartwilight", 10, clear, 0}, {"fair_day", 10, partlyCloudy, 0}, {"cloudy", 10, cloudy, 0},
        {"fog", 10, fog, 0}, {"lightrain", 10, rain, 0.3f}, {"rain", 10, rain, 0.6f}, {"heavyrain", 10, rain, 0.9f},
        {"lightrainshowers_night", 10, rain, 0.3f}, {"rain_day_night", 10, rain, 0.6f},  // one suffix only
        {"lightsnow", 10, snow, 0.3f}, {"snowshowers_day", 10, snow, 0.6f}, {"heavysnow", 10, snow, 0.9f},
        {"heavysnowshowersandthunder_day", 10, snow, 0.9f},
        {"lightssnowshowersandthunder_night", 10, snow, 0.3f},  // the service's own spelling
        {"heavyrainandthunder", 10, thunder, 0.9f}, {"rainandthunder", 10, thunder, 0.7f},
        {"lightrainshowersandthunder_day", 10, thunder, 0.7f},
        {"lightssleetshowersandthunder_night", 10, thunder, 0.7f},
        // Sleet is snow at or below half a degree.
        {"sleet", 2.0, rain, 0.6f}, {"sleet", 0.0, snow, 0.6f}, {"lightsleetshowers_day", 0.5, snow, 0.3f},
        {"lightsleetshowers_day", 0.51, rain, 0.3f}, {"heavysleet", -12.0, snow, 0.9f}, {"sleet", NAN, rain, 0.6f},
        // Outside every rule, or near misses of the exact ones.
        {"sandstorm", 10, partlyCloudy, 0}, {"", 10, partlyCloudy, 0}, {"cloudy_day_night", 10, partlyCloudy, 0},
        {"RAIN", 10, partlyCloudy, 0}, {"clearsky_evening", 10, partlyCloudy, 0},
    };
    for (const Case& c : cases) {
        const auto result = WeatherSymbols::classify(c.symbol, c.temperature);
        EXPECT_EQ(result.condition, c.condition) << c.symbol << " at " << c.temperature;
        EXPECT_FLOAT_EQ(result.intensity, c.intensity) << c.symbol << " at " << c.temperature;
    }
    EXPECT_EQ(WeatherSymbols::baseSymbol("rain_day_night"), "rain_day");
}

}  // namespace
}  // namespace lumen
