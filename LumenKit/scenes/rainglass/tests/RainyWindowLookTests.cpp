#include "LumenKit/scenes/rainglass/BokehLayout.hpp"
#include "LumenKit/scenes/rainglass/RainyWindowLook.hpp"

#include <gtest/gtest.h>

#include <tuple>

namespace lumen::rainglass {
namespace {

std::optional<WeatherState> weather(WeatherCondition condition, float precipitation) {
    WeatherState state = WeatherState::sample(condition);
    state.precipitation = precipitation;
    return state;
}

TEST(RainyWindowLookTest, OptionAndWeatherGiveIntensityAndLightning) {
    const std::optional<WeatherState> none;
    const std::tuple<const char*, std::optional<WeatherState>, float, bool> cases[] = {
        {"light", none, 0.25f, false},
        {"steady", weather(WeatherCondition::thunder, 1), 0.55f, false},
        {"heavy", none, 0.95f, true},
        {"weather", none, 0.42f, false},
        {"weather", weather(WeatherCondition::rain, 2.0f), 1.0f, false},
        {"weather", weather(WeatherCondition::rain, 0.2f), 0.6f, false},
        {"weather", weather(WeatherCondition::thunder, 0.4f), 0.7f, true},
        {"weather", weather(WeatherCondition::fog, 0), 0.38f, false},
        {"weather", weather(WeatherCondition::snow, 0.5f), 0.3f, false},
        {"drizzle", weather(WeatherCondition::clear, 0), 0.3f, false},
    };
    for (const auto& [rain, w, intensity, flashes] : cases) {
        EXPECT_FLOAT_EQ(RainyWindowLook::intensity(rain, w), intensity) << rain;
        EXPECT_EQ(RainyWindowLook::lightning(rain, w), flashes) << rain;
    }
}

TEST(BokehLayoutTest, CountsKindsAndDeterminism) {
    const auto cafe = BokehLayout::lights("cafe", 31);
    EXPECT_EQ(cafe.size(), 126u);
    EXPECT_EQ(cafe[14].kind, BokehLight::Kind::bulb);
    EXPECT_FLOAT_EQ(cafe[14].position.x, -1.1f);
    EXPECT_EQ(cafe[18].kind, BokehLight::Kind::window);
    EXPECT_EQ(cafe.back().kind, BokehLight::Kind::window);

    for (std::uint64_t seed : {31u, 1u, 977u}) {
        const auto street = BokehLayout::lights("street", seed);
        std::size_t windows = 0;
        for (const BokehLight& light : street) windows += light.kind == BokehLight::Kind::window;
        EXPECT_EQ(street.size(), 14 + 16 + 27 + windows + 1);
        EXPECT_GT(windows, 10u);
        EXPECT_EQ(street.back().kind, BokehLight::Kind::traffic);
        EXPECT_EQ(street[30].color, street[32].color);  // one colour per neon sign
    }
    const auto again = BokehLayout::lights("anything", 31);
    EXPECT_EQ(again.size(), BokehLayout::lights("street", 31).size());
    EXPECT_FLOAT_EQ(again[0].position.x, -1.35f + 0.25f);
    EXPECT_EQ(BokehLight::kindFromRaw(6), BokehLight::Kind::candle);
    EXPECT_EQ(BokehLight::kindFromRaw(7), std::nullopt);
}

}  // namespace
}  // namespace lumen::rainglass
