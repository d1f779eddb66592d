#include "app/CommandLine.hpp"

#include "scenekit/SceneClasses.hpp"
#include "LumenKit/sky/LocalZone.hpp"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>

namespace lumen::app::cli {

std::optional<std::pair<int, int>> parseSize(std::string_view text) {
    const auto x = text.find('x');
    if (x == std::string_view::npos) return std::nullopt;
    auto whole = [](std::string_view part) -> std::optional<int> {
        int value = 0;
        const auto* end = part.data() + part.size();
        auto [at, error] = std::from_chars(part.data(), end, value);
        if (part.empty() || error != std::errc{} || at != end || value < 1 || value > 16384) return std::nullopt;
        return value;
    };
    auto width = whole(text.substr(0, x));
    auto height = whole(text.substr(x + 1));
    if (!width || !height) return std::nullopt;
    return std::pair{*width, *height};
}

std::optional<double> parseNumber(std::string_view text) {
    double value = 0;
    const auto* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || at != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

int featureMask(const std::optional<std::string>& userDefault) {
    if (userDefault) return SceneEnvironment::parseFeatureMask(userDefault->c_str());
    return SceneEnvironment::parseFeatureMask(std::getenv("LUMENFALL_FEATURE_MASK"));
}

SceneEnvironment commandEnvironment() {
    SceneEnvironment environment;
    environment.wallTime = std::chrono::time_point_cast<SkyState::Instant::duration>(std::chrono::system_clock::now());
    environment.zone = localZone();
    environment.featureMask = featureMask(std::nullopt);
    return environment;
}

std::optional<SceneInfo> findScene(std::string_view id) {
    for (const auto& info : SceneRegistry::all()) {
        if (info.id.text() == id) return info;
    }
    return std::nullopt;
}

std::optional<int> takeScene(Arguments& args, std::string_view command,
                             const std::function<int(const std::string&)>& usage, SceneInfo& info) {
    if (args.done()) return usage("which scene? scenes: " + sceneIdList());
    const std::string id = args.next();
    auto found = findScene(id);
    if (!found || !SceneClasses::find(found->className)) {
        std::cerr << "lumenfall " << command << ": no scene \"" << id << "\"" << (found ? " in this build" : "")
                  << "; scenes: " << sceneIdList() << "\n";
        return exitUsage;
    }
    info = *found;
    return std::nullopt;
}

std::string sceneIdList() {
    std::string list;
    for (const auto& info : SceneRegistry::all()) {
        if (!SceneClasses::find(info.className)) continue;
        if (!list.empty()) list += ", ";
        list += info.id.text();
    }
    return list;
}

OptionResult sceneOptions(const SceneInfo& info, std::span<const std::string> overrides) {
    OptionResult result;
    for (const auto& option : info.options) result.values.values[option.key] = option.defaultValue;
    for (const auto& text : overrides) {
        const auto equals = text.find('=');
        const std::string key = text.substr(0, equals);
        const std::string value = equals == std::string::npos ? std::string() : text.substr(equals + 1);
        const SceneOption* option = nullptr;
        for (const auto& candidate : info.options) {
            if (candidate.key == key) option = &candidate;
        }
        if (!option) {
            std::string keys;
            for (const auto& candidate : info.options) keys += (keys.empty() ? "" : ", ") + candidate.key;
            result.error = info.id.text() + " has no option \"" + key + "\"; its options: " +
                           (keys.empty() ? std::string("none") : keys);
            return result;
        }
        if (equals == std::string::npos || !option->hasChoice(value)) {
            std::string choices;
            for (const auto& choice : option->choices) choices += (choices.empty() ? "" : ", ") + choice.value;
            result.error = "\"" + value + "\" is not a choice of " + key + "; choose one of: " + choices;
            return result;
        }
        result.values.values[key] = value;
    }
    return result;
}

}  // namespace lumen::app::cli
