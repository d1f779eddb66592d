#include "LumenKit/weather/WeatherCondition.hpp"
#include "LumenKit/weather/WeatherSymbols.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace lumen {
namespace {

using enum WeatherCondition;

TEST(WeatherConditionTests, RawValuesNamesAndWetnessInStoredOrder) {
    using namespace WeatherConditionInfo;
    const std::vector<std::string> raw{"clear", "partlyCloudy", "cloudy", "fog",
                                       "rain",  "snow",         "thunder"};
    const std::vector<std::string> names{"Clear", "Partly cloudy", "Cloudy",      "Fog",
                                         "Rain",  "Snow",          "Thunderstorm"};
    ASSERT_EQ(allCases.size(), raw.size());
    for (std::size_t i = 0; i < allCases.size(); ++i) {
        EXPECT_EQ(static_cast<std::size_t>(allCases[i]), i);
        EXPECT_EQ(rawValue(allCases[i]), raw[i]);
        EXPECT_EQ(displayName(allCases[i]), names[i]);
        EXPECT_EQ(fromRawValue(raw[i]), allCases[i]);
        EXPECT_EQ(isWet(allCases[i]), i >= 4) << raw[i];
    }
    for (const char* other : {"Rain", "partlycloudy", "rain ", "", "live"}) {
        EXPECT_EQ(fromRawValue(other), std::nullopt) << other;
    }
}

TEST(WeatherSymbolsTests, BaseSymbolStripsOnlyTheFirstMatchingSuffix) {
    using WeatherSymbols::baseSymbol;
    EXPECT_EQ(baseSymbol("partlycloudy_day"), "partlycloudy");
    EXPECT_EQ(baseSymbol("lightrainshowers_night"), "lightrainshowers");
    EXPECT_EQ(baseSymbol("clearsky_polartwilight"), "clearsky");
    EXPECT_EQ(baseSymbol("rain_day_night"), "rain_day");
    EXPECT_EQ(baseSymbol("heavyrainandthunder"), "heavyrainandthunder");
    EXPECT_EQ(baseSymbol("_day"), "");
    EXPECT_EQ(baseSymbol("day"), "day");
}

TEST(WeatherSymbolsTests, EveryFamilyWithItsIntensity) {
    struct Case {
        const char* symbol;
        WeatherCondition condition;
        float intensity;
    };
    const std::vector<Case> cases{
        {"clearsky_polartwilight", clear, 0}, {"fair_day", partlyCloudy, 0},
        {"partlycloudy_night", partlyCloudy, 0}, {"cloudy", cloudy, 0}, {"fog", fog, 0},
        {"lightrain", rain, 0.3f}, {"rain", rain, 0.6f}, {"heavyrain", rain, 0.9f},
        {"lightrainshowers_night", rain, 0.3f}, {"heavyrainshowers_polartwilight", rain, 0.9f},
        {"rain_day_night", rain, 0.6f}, {"lightsnow", snow, 0.3f}, {"snowshowers_day", snow, 0.6f},
        {"heavysnow", snow, 0.9f}, {"lightsnowandthunder", snow, 0.3f},
        {"heavysnowshowersandthunder_day", snow, 0.9f},
        {"lightssnowshowersandthunder_night", snow, 0.3f},  // the service's own spelling
        {"heavyrainandthunder", thunder, 0.9f}, {"rainandthunder", thunder, 0.7f},
        {"lightrainshowersandthunder_day", thunder, 0.7f},
        {"heavysleetshowersandthunder", thunder, 0.9f},
        {"lightssleetshowersandthunder_night", thunder, 0.7f},
        // Outside every rule, or near misses of the exact ones.
        {"sandstorm", partlyCloudy, 0}, {"", partlyCloudy, 0}, {"heavy", partlyCloudy, 0},
        {"cloudy_day_night", partlyCloudy, 0}, {"Cloudy", partlyCloudy, 0},
        {"RAIN", partlyCloudy, 0}, {"clearsky_evening", partlyCloudy, 0},
    };
    for (const auto& [symbol, condition, intensity] : cases) {
        const auto result = WeatherSymbols::classify(symbol, 10);
        EXPECT_EQ(result.condition, condition) << symbol;
        EXPECT_FLOAT_EQ(result.intensity, intensity) << symbol;
    }
}

TEST(WeatherSymbolsTests, SleetIsSnowAtOrBelowHalfADegree) {
    using WeatherSymbols::classify;
    EXPECT_EQ(classify("sleet", 2.0), (WeatherSymbols::Classification{rain, 0.6f}));
    EXPECT_EQ(classify("sleet", 0.0), (WeatherSymbols::Classification{snow, 0.6f}));
    EXPECT_EQ(classify("lightsleetshowers_day", 0.5).condition, snow);
    EXPECT_EQ(classify("lightsleetshowers_day", 0.51).condition, rain);
    EXPECT_EQ(classify("heavysleet", -12.0), (WeatherSymbols::Classification{snow, 0.9f}));
    EXPECT_EQ(classify("sleet", std::nan("")).condition, rain);
}

}  // namespace
}  // namespace lumen
