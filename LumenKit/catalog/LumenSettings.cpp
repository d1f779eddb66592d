#include "LumenKit/catalog/LumenSettings.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace lumen {

using nlohmann::json;

namespace QualityInfo {

std::string_view rawValue(Quality quality) {
    switch (quality) {
        case Quality::automatic: return "auto";
        case Quality::full: return "full";
        case Quality::half: return "half";
    }
    return "auto";
}

std::optional<Quality> fromRawValue(std::string_view raw) {
    for (Quality quality : allCases) {
        if (rawValue(quality) == raw) {
            return quality;
        }
    }
    return std::nullopt;
}

std::string_view title(Quality quality) {
    switch (quality) {
        case Quality::automatic: return "Auto";
        case Quality::full: return "Full resolution";
        case Quality::half: return "Half resolution";
    }
    return "Auto";
}

float fixedScale(Quality quality) {
    // Auto draws at full size here; the render policy applies its own scale on top.
    return quality == Quality::half ? 0.5f : 1.0f;
}

}  // namespace QualityInfo

std::optional<std::string> SceneOptionValues::value(const std::string& key) const {
    const auto found = values.find(key);
    if (found == values.end()) {
        return std::nullopt;
    }
    return found->second;
}

namespace {

// A settings document is three levels deep; anything nested beyond this is dropped while
// parsing, so hostile input can neither exhaust the stack nor spoil the keys beside it.
constexpr int kMaxNesting = 64;

const json* member(const json& object, const char* key) {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::optional<bool> readBool(const json& object, const char* key) {
    const json* value = member(object, key);
    if (value == nullptr || !value->is_boolean()) {
        return std::nullopt;
    }
    return value->get<bool>();
}

bool shortText(const json& value) {
    return value.is_string() && value.get_ref<const std::string&>().size() <= LumenSettings::maxTextBytes;
}

std::optional<std::string> readString(const json& object, const char* key) {
    const json* value = member(object, key);
    if (value == nullptr || !shortText(*value)) {
        return std::nullopt;
    }
    return value->get<std::string>();
}

// Whole numbers only, and only those an int can hold: 15.5 or 1e300 is unreadable, not rounded.
std::optional<int> readInt(const json& object, const char* key) {
    const json* value = member(object, key);
    if (value == nullptr) {
        return std::nullopt;
    }
    constexpr auto lowest = std::numeric_limits<int>::min();
    constexpr auto highest = std::numeric_limits<int>::max();
    if (value->is_number_unsigned()) {
        const auto number = value->get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(highest)) {
            return std::nullopt;
        }
        return static_cast<int>(number);
    }
    if (value->is_number_integer()) {
        const auto number = value->get<std::int64_t>();
        if (number < lowest || number > highest) {
            return std::nullopt;
        }
        return static_cast<int>(number);
    }
    if (value->is_number_float()) {
        const auto number = value->get<double>();
        if (!std::isfinite(number) || number != std::trunc(number) || number < lowest ||
            number > highest) {
            return std::nullopt;
        }
        return static_cast<int>(number);
    }
    return std::nullopt;
}

std::map<std::string, std::string> readOptions(const json& object) {
    const json* value = member(object, "sceneOptions");
    if (value == nullptr || !value->is_object()) {
        return {};
    }
    std::map<std::string, std::string> options;
    for (const auto& [key, entry] : value->items()) {
        if (!entry.is_string()) {
            return {};
        }
        // An over-long entry is dropped alone; its option then reads as the default.
        if (key.size() <= LumenSettings::maxTextBytes && shortText(entry)) {
            options[key] = entry.get<std::string>();
        }
    }
    return options;
}

std::optional<Place> readPlace(const json& object) {
    const json* value = member(object, "place");
    if (value == nullptr) {
        return std::nullopt;
    }
    auto place = Place::fromJSON(*value);
    if (place && place->name.size() > LumenSettings::maxTextBytes) {
        return std::nullopt;
    }
    return place;
}

}  // namespace

LumenSettings LumenSettings::decode(std::string_view jsonText) {
    const json::parser_callback_t shallowOnly = [](int depth, json::parse_event_t, json&) {
        return depth <= kMaxNesting;
    };
    try {
        const json document = json::parse(jsonText.begin(), jsonText.end(), shallowOnly,
                                          /*allow_exceptions=*/false);
        return fromJSON(document);
    } catch (...) {
        // Only resource exhaustion gets here; an unreadable document is a missing one.
        return LumenSettings{};
    }
}

LumenSettings LumenSettings::fromJSON(const json& document) {
    LumenSettings settings;
    if (!document.is_object()) {
        return settings;
    }
    const LumenSettings defaults;
    settings.scene = SceneID(readString(document, "scene").value_or(defaults.scene.rawValue));
    settings.userPaused = readBool(document, "userPaused").value_or(defaults.userPaused);
    if (auto raw = readString(document, "quality")) {
        settings.quality = QualityInfo::fromRawValue(*raw).value_or(defaults.quality);
    }
    settings.fpsCap = readInt(document, "fpsCap").value_or(defaults.fpsCap);
    settings.runOnBattery = readBool(document, "runOnBattery").value_or(defaults.runOnBattery);
    settings.batterySaver = readBool(document, "batterySaver").value_or(defaults.batterySaver);
    settings.batterySaverOnBattery =
        readBool(document, "batterySaverOnBattery").value_or(defaults.batterySaverOnBattery);
    settings.parallax = readBool(document, "parallax").value_or(defaults.parallax);
    // "fishReactToPointer" is the older name, still read from documents written before.
    auto pointerReacts = readBool(document, "pointerReacts");
    if (!pointerReacts) {
        pointerReacts = readBool(document, "fishReactToPointer");
    }
    settings.pointerReacts = pointerReacts.value_or(defaults.pointerReacts);
    settings.idleSceneEnabled =
        readBool(document, "idleSceneEnabled").value_or(defaults.idleSceneEnabled);
    settings.idleMinutes = readInt(document, "idleMinutes").value_or(defaults.idleMinutes);
    settings.secondaryFullRate =
        readBool(document, "secondaryFullRate").value_or(defaults.secondaryFullRate);
    settings.shuffleDaily = readBool(document, "shuffleDaily").value_or(defaults.shuffleDaily);
    settings.sceneOptions = readOptions(document);
    settings.place = readPlace(document);
    settings.useLocation = readBool(document, "useLocation").value_or(defaults.useLocation);
    settings.animateInSoftware = readBool(document, "animateInSoftware").value_or(defaults.animateInSoftware);
    return settings;
}

json LumenSettings::toJSON() const {
    json document = json::object();
    document["scene"] = scene.rawValue;
    document["userPaused"] = userPaused;
    document["quality"] = std::string(QualityInfo::rawValue(quality));
    document["fpsCap"] = fpsCap;
    document["runOnBattery"] = runOnBattery;
    document["batterySaver"] = batterySaver;
    document["batterySaverOnBattery"] = batterySaverOnBattery;
    document["parallax"] = parallax;
    document["pointerReacts"] = pointerReacts;
    document["idleSceneEnabled"] = idleSceneEnabled;
    document["idleMinutes"] = idleMinutes;
    document["secondaryFullRate"] = secondaryFullRate;
    document["shuffleDaily"] = shuffleDaily;
    document["sceneOptions"] = sceneOptions;
    // JSON has no NaN or infinity; such a place would come back as an unreadable one anyway,
    // so it is left out rather than written as null.
    if (place && std::isfinite(place->latitude) && std::isfinite(place->longitude)) {
        document["place"] = place->toJSON();
    }
    document["useLocation"] = useLocation;
    document["animateInSoftware"] = animateInSoftware;
    return document;
}

std::optional<std::string> LumenSettings::encode() const {
    try {
        return toJSON().dump();
    } catch (const json::exception&) {
        // Text that is not valid UTF-8 cannot be written as JSON.
        return std::nullopt;
    }
}

LumenSettings LumenSettings::normalized() const {
    LumenSettings repaired = *this;
    if (repaired.place && !Place::isValid(repaired.place->latitude, repaired.place->longitude)) {
        repaired.place.reset();
    }
    const bool allowedCap = std::find(fpsCapChoices.begin(), fpsCapChoices.end(),
                                      repaired.fpsCap) != fpsCapChoices.end();
    if (!allowedCap) {
        repaired.fpsCap = 30;
    }
    repaired.idleMinutes = std::clamp(repaired.idleMinutes, 1, 120);
    return repaired;
}

namespace {

std::string optionKey(const SceneOption& option, const SceneID& scene) {
    return scene.rawValue + "." + option.key;
}

}  // namespace

std::string LumenSettings::optionValue(const SceneOption& option, const SceneID& scene) const {
    const auto stored = sceneOptions.find(optionKey(option, scene));
    if (stored != sceneOptions.end() && option.hasChoice(stored->second)) {
        return stored->second;
    }
    return option.defaultValue;
}

void LumenSettings::setOptionValue(const SceneOption& option, const SceneID& scene,
                                   const std::string& value) {
    const std::string& chosen = option.hasChoice(value) ? value : option.defaultValue;
    // Only departures from the default are stored, so a changed default reaches everyone.
    if (chosen == option.defaultValue) {
        sceneOptions.erase(optionKey(option, scene));
    } else {
        sceneOptions[optionKey(option, scene)] = chosen;
    }
}

std::vector<std::pair<std::string, std::string>> LumenSettings::optionValues(
    const SceneInfo& info) const {
    std::vector<std::pair<std::string, std::string>> values;
    values.reserve(info.options.size());
    for (const SceneOption& option : info.options) {
        values.emplace_back(option.key, optionValue(option, info.id));
    }
    return values;
}

}  // namespace lumen
