#include "LumenKit/scenes/rainglass/RainyWindowLook.hpp"

#include "LumenKit/catalog/SceneOptionNames.hpp"

#include <algorithm>

namespace lumen::rainglass {

namespace names = SceneOptionNames::rainyWindowCafe;

float RainyWindowLook::intensity(std::string_view rain, const std::optional<WeatherState>& weather) {
    if (rain == names::rainLight) return 0.25f;
    if (rain == names::rainSteady) return 0.55f;
    if (rain == names::rainHeavy) return 0.95f;
    // Following the weather: a light rain still falls when it is dry.
    if (!weather) return 0.42f;
    switch (weather->condition) {
        case WeatherCondition::cloudy:
        case WeatherCondition::fog:
            return 0.38f;
        case WeatherCondition::rain:
        case WeatherCondition::thunder:
            return std::min(weather->precipitation * 0.5f + 0.5f, 1.0f);
        default:
            return 0.3f;
    }
}

bool RainyWindowLook::lightning(std::string_view rain, const std::optional<WeatherState>& weather) {
    if (rain == names::rainHeavy) return true;
    if (rain == names::rainLight || rain == names::rainSteady) return false;
    return weather && weather->condition == WeatherCondition::thunder;
}

}  // namespace lumen::rainglass
