#pragma once

#include "LumenKit/weather/WeatherState.hpp"

#include <optional>
#include <string_view>

namespace lumen::rainglass {

// How hard it rains on the window, and whether lightning flashes, for the "rain" option and the
// weather where the user is.
struct RainyWindowLook {
    static float intensity(std::string_view rain, const std::optional<WeatherState>& weather);
    static bool lightning(std::string_view rain, const std::optional<WeatherState>& weather);
};

}  // namespace lumen::rainglass
