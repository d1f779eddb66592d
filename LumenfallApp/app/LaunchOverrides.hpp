#pragma once

#include "LumenKit/catalog/SceneCatalog.hpp"
#include "LumenKit/weather/WeatherState.hpp"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace lumen::app {

class UserDefaults;

// Launch-time switches read once from the defaults (and so from "-key value" arguments): a scene
// shown whatever the settings say, option values written over the scene's, a fixed weather, and
// every wallpaper treated as covered.
struct LaunchOverrides {
    std::optional<SceneID> scene;
    std::map<std::string, std::string> options;
    std::optional<WeatherState> weather;
    bool simulateCovered = false;

    // Logs what it ignores (an unknown weather condition).
    static LaunchOverrides read(const UserDefaults& defaults);
    // "rain=heavy,,time=clock,bad" -> {rain: heavy, time: clock}: empty pieces and pieces without
    // a non-empty key and value are skipped; a later piece replaces an earlier one.
    static std::map<std::string, std::string> parseOptions(std::string_view text);
};

}  // namespace lumen::app
