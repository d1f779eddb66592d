#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace date {
class time_zone;
}

namespace lumen {

// Stable identifier of a scene, stored in the settings. Its JSON form is a plain string.
struct SceneID {
    std::string rawValue;

    SceneID() = default;
    SceneID(std::string raw) : rawValue(std::move(raw)) {}
    SceneID(const char* raw) : rawValue(raw) {}

    const std::string& text() const { return rawValue; }
    bool operator==(const SceneID&) const = default;
};

struct SceneOption {
    struct Choice {
        std::string value;  // stored value
        std::string title;  // shown to the user
        bool operator==(const Choice&) const = default;
    };

    std::string key;
    std::string title;
    std::vector<Choice> choices;
    std::string defaultValue;
    std::optional<std::string> help;

    bool hasChoice(const std::string& value) const;
    bool operator==(const SceneOption&) const = default;
};

// Measured GPU cost of a scene: a fixed part plus a part per megapixel drawn.
struct SceneCost {
    double fixedMs = 0;
    double msPerMegapixel = 0;

    double milliseconds(double pixels) const;
    // Estimated GPU busy percentage at `fps` (with the fixed safety factor 1.65).
    double share(double pixels, double fps) const;
    bool operator==(const SceneCost&) const = default;
};

struct SceneInfo {
    SceneID id;
    std::string title;
    std::string summary;
    std::string className;
    std::vector<SceneOption> options;
    bool usesWeather = false;
    float thumbnailHour = 12;
    SceneCost cost;
    bool heavy = false;

    // The stored flag, or the cost estimate at 1080p and 30 fps above 15 percent.
    bool isHeavy() const;
    bool operator==(const SceneInfo&) const = default;
};

struct SceneCatalog {
    std::vector<SceneInfo> scenes;

    std::optional<SceneInfo> scene(const SceneID& id) const;
    // The first record; never asked of an empty catalog.
    const SceneInfo& fallback() const;
    // The shuffle-daily choice for the day containing `date` in time zone `zone`
    // (nullptr means UTC); none for an empty catalog.
    std::optional<SceneInfo> dailyScene(std::chrono::system_clock::time_point date,
                                        const date::time_zone* zone) const;
    SceneInfo resolve(const SceneID& id, bool shuffleDaily,
                      std::chrono::system_clock::time_point date,
                      const date::time_zone* zone) const;
    // Every rule violation in catalog order; empty when the catalog is sound.
    std::vector<std::string> problems() const;

    // Whole days from 2001-01-01 (local) to the day containing `date` in `zone`; negative before.
    static std::int64_t dayNumber(std::chrono::system_clock::time_point date,
                                  const date::time_zone* zone);
    // Fisher-Yates shuffle of 0..<n driven by SplitMix64 seeded with seed * 0x9E3779B9 + 77.
    static std::vector<std::size_t> permutation(std::int64_t seed, std::size_t n);
};

// The compiled-in scene lists.
namespace SceneRegistry {
const std::vector<SceneInfo>& offered();   // the eleven scenes offered to the user, in order
const std::vector<SceneInfo>& heldBack();  // complete records the application does not offer
const std::vector<SceneInfo>& all();       // offered followed by held back
}  // namespace SceneRegistry

}  // namespace lumen

template <>
struct std::hash<lumen::SceneID> {
    std::size_t operator()(const lumen::SceneID& id) const noexcept {
        return std::hash<std::string>{}(id.rawValue);
    }
};
