#pragma once

#include "LumenKit/catalog/Place.hpp"
#include "LumenKit/catalog/SceneCatalog.hpp"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace lumen {

enum class Quality { automatic, full, half };  // raw values "auto", "full", "half"

namespace QualityInfo {
inline constexpr std::array<Quality, 3> allCases{Quality::automatic, Quality::full, Quality::half};
std::string_view rawValue(Quality quality);
std::optional<Quality> fromRawValue(std::string_view raw);
std::string_view title(Quality quality);
float fixedScale(Quality quality);
}  // namespace QualityInfo

// Option values handed to a scene every frame, keyed by option key (no scene prefix).
struct SceneOptionValues {
    std::map<std::string, std::string> values;

    std::optional<std::string> value(const std::string& key) const;
    bool operator==(const SceneOptionValues&) const = default;
};

// The user's choices: one JSON document, decoded key by key.
struct LumenSettings {
    SceneID scene{"deepReef"};
    bool userPaused = false;
    Quality quality = Quality::automatic;
    int fpsCap = 30;
    bool runOnBattery = false;
    bool batterySaver = false;
    bool batterySaverOnBattery = true;
    bool parallax = true;
    bool pointerReacts = true;
    bool idleSceneEnabled = false;
    int idleMinutes = 10;
    bool secondaryFullRate = false;
    bool shuffleDaily = false;
    std::map<std::string, std::string> sceneOptions;  // "sceneId.optionKey" -> non-default value
    std::optional<Place> place;
    bool useLocation = false;
    // Without graphics hardware the displays keep a still frame unless this asks for motion.
    bool animateInSoftware = false;

    static constexpr std::array<int, 2> fpsCapChoices{15, 30};
    static constexpr std::array<int, 5> idleMinuteChoices{2, 5, 10, 15, 30};
    // Longer texts (scene ids, option keys and values, place names) are unreadable: no real
    // value comes near it, and a hostile file must not be carried along and written back.
    static constexpr std::size_t maxTextBytes = 256;

    bool operator==(const LumenSettings&) const = default;

    // Lenient decoding: anything unreadable takes its default, field by field. Never throws.
    static LumenSettings decode(std::string_view jsonText);
    static LumenSettings fromJSON(const nlohmann::json& json);
    // The JSON document; no value when encoding fails (the caller then stores nothing).
    std::optional<std::string> encode() const;
    nlohmann::json toJSON() const;

    LumenSettings normalized() const;

    std::string optionValue(const SceneOption& option, const SceneID& scene) const;
    void setOptionValue(const SceneOption& option, const SceneID& scene, const std::string& value);
    // Option key -> effective value for every option of `info`, in the record's option order.
    std::vector<std::pair<std::string, std::string>> optionValues(const SceneInfo& info) const;
};

}  // namespace lumen
