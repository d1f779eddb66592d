#pragma once

#include "LumenKit/catalog/SceneCatalog.hpp"
#include "LumenKit/weather/WeatherState.hpp"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumen::app {

class UserDefaults;

// Launch-time switches read once from the defaults (and so from "-key value" arguments): a scene
// shown whatever the settings say, option values written over the scene's, a fixed weather,
// every wallpaper treated as covered, and motion without graphics hardware.
struct LaunchOverrides {
    std::optional<SceneID> scene;
    std::map<std::string, std::string> options;
    std::optional<WeatherState> weather;
    bool simulateCovered = false;
    bool animateInSoftware = false;

    // Logs what it ignores (an unknown weather condition, an option piece that is not key=value).
    // The scene and the options are checked against the catalog by the model, which knows it.
    static LaunchOverrides read(const UserDefaults& defaults);
    // "rain=heavy,,time=clock,bad" -> {rain: heavy, time: clock}: empty pieces and pieces without
    // a non-empty key and value are skipped (the non-empty ones listed in `skipped` when given); a
    // later piece replaces an earlier one.
    static std::map<std::string, std::string> parseOptions(std::string_view text,
                                                           std::vector<std::string>* skipped = nullptr);
};

}  // namespace lumen::app
