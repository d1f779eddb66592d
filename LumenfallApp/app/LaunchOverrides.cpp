#include "app/LaunchOverrides.hpp"

#include "app/UserDefaults.hpp"

#include "log/EventLog.hpp"

#include "LumenKit/weather/WeatherCondition.hpp"

namespace lumen::app {

LaunchOverrides LaunchOverrides::read(const UserDefaults& defaults) {
    LaunchOverrides overrides;
    if (auto scene = defaults.string("scene"); scene && !scene->empty()) overrides.scene = SceneID{*scene};
    if (auto options = defaults.string("sceneOptions")) {
        std::vector<std::string> skipped;
        overrides.options = parseOptions(*options, &skipped);
        for (const auto& piece : skipped) logEvent("launch option \"" + piece + "\" is not key=value; ignored");
    }
    if (auto weather = defaults.string("weather"); weather && !weather->empty()) {
        if (auto condition = WeatherConditionInfo::fromRawValue(*weather)) {
            overrides.weather = WeatherState::sample(*condition);
        } else {
            logEvent("weather override \"" + *weather + "\" is not a known condition; ignored");
        }
    }
    overrides.simulateCovered = defaults.boolValue("simulateCovered");
    overrides.animateInSoftware = defaults.boolValue("animateInSoftware");
    return overrides;
}

std::map<std::string, std::string> LaunchOverrides::parseOptions(std::string_view text,
                                                                  std::vector<std::string>* skipped) {
    std::map<std::string, std::string> options;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view piece = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        const std::size_t equals = piece.find('=');
        if (equals == std::string_view::npos || equals == 0 || equals + 1 == piece.size()) {
            if (skipped && !piece.empty()) skipped->emplace_back(piece);
            continue;
        }
        options[std::string(piece.substr(0, equals))] = std::string(piece.substr(equals + 1));
    }
    return options;
}

}  // namespace lumen::app
