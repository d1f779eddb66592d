#include "LumenKit/catalog/SceneCatalog.hpp"

#include "LumenKit/core/SeededRandom.hpp"

#include <date/date.h>
#include <date/tz.h>

#include <algorithm>
#include <limits>
#include <numeric>
#include <set>
#include <utility>

namespace lumen {

namespace {

// The render policy's reference drawable: 1920 x 1080 at 30 frames a second.
constexpr double kReferencePixels = 1920.0 * 1080.0;
constexpr double kReferenceFPS = 30.0;
constexpr double kHeavySharePercent = 15.0;
constexpr double kSafetyFactor = 1.65;

// Rounds towards negative infinity, unlike the built-in division.
std::int64_t floorDivide(std::int64_t value, std::int64_t divisor) {
    std::int64_t quotient = value / divisor;
    if ((value % divisor != 0) && ((value < 0) != (divisor < 0))) {
        --quotient;
    }
    return quotient;
}

}  // namespace

bool SceneOption::hasChoice(const std::string& value) const {
    return std::any_of(choices.begin(), choices.end(),
                       [&](const Choice& choice) { return choice.value == value; });
}

double SceneCost::milliseconds(double pixels) const {
    return fixedMs + msPerMegapixel * pixels / 1'000'000.0;
}

double SceneCost::share(double pixels, double fps) const {
    return milliseconds(pixels) * kSafetyFactor * fps / 10.0;
}

bool SceneInfo::isHeavy() const {
    return heavy || cost.share(kReferencePixels, kReferenceFPS) > kHeavySharePercent;
}

std::optional<SceneInfo> SceneCatalog::scene(const SceneID& id) const {
    auto found = std::find_if(scenes.begin(), scenes.end(),
                              [&](const SceneInfo& info) { return info.id == id; });
    if (found == scenes.end()) {
        return std::nullopt;
    }
    return *found;
}

const SceneInfo& SceneCatalog::fallback() const {
    return scenes.front();
}

std::int64_t SceneCatalog::dayNumber(std::chrono::system_clock::time_point date,
                                     const date::time_zone* zone) {
    using namespace std::chrono;
    // Calendar days, not 24-hour spans: a daylight-saving change must not move the count.
    const date::local_days reference = date::local_days{date::year{2001} / 1 / 1};
    date::local_days today;
    if (zone != nullptr) {
        today = date::floor<date::days>(zone->to_local(date::floor<seconds>(date)));
    } else {
        today = date::local_days{date::floor<date::days>(date).time_since_epoch()};
    }
    return static_cast<std::int64_t>((today - reference).count());
}

std::vector<std::size_t> SceneCatalog::permutation(std::int64_t seed, std::size_t n) {
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (n < 2) {
        return order;
    }
    SeededRandom random(static_cast<std::uint64_t>(seed) * 0x9E3779B9ull + 77ull);
    for (std::size_t i = n - 1; i >= 1; --i) {
        const std::size_t j = static_cast<std::size_t>(random.next() % (i + 1));
        if (i != j) {
            std::swap(order[i], order[j]);
        }
    }
    return order;
}

std::optional<SceneInfo> SceneCatalog::dailyScene(std::chrono::system_clock::time_point date,
                                                  const date::time_zone* zone) const {
    if (scenes.empty()) {
        return std::nullopt;
    }
    if (scenes.size() == 1) {
        return scenes.front();
    }
    const auto n = static_cast<std::int64_t>(scenes.size());
    const std::int64_t day = dayNumber(date, zone);
    const std::int64_t cycle = floorDivide(day, n);
    const auto position = static_cast<std::size_t>(day - cycle * n);

    std::vector<std::size_t> order = permutation(cycle, scenes.size());
    // Keep the last scene of one cycle from showing again on the first day of the next.
    if (cycle > std::numeric_limits<std::int64_t>::min()) {
        const std::vector<std::size_t> previous = permutation(cycle - 1, scenes.size());
        if (order[0] == previous.back()) {
            std::swap(order[0], order[1]);
        }
    }
    return scenes[order[position]];
}

SceneInfo SceneCatalog::resolve(const SceneID& id, bool shuffleDaily,
                                std::chrono::system_clock::time_point date,
                                const date::time_zone* zone) const {
    if (shuffleDaily) {
        if (auto daily = dailyScene(date, zone)) {
            return *daily;
        }
    }
    if (auto found = scene(id)) {
        return *found;
    }
    return fallback();
}

std::vector<std::string> SceneCatalog::problems() const {
    if (scenes.empty()) {
        return {"no scenes"};
    }
    std::vector<std::string> found;

    std::set<std::string> ids;
    std::set<std::string> classNames;
    bool duplicateIDs = false;
    bool duplicateClasses = false;
    for (const SceneInfo& info : scenes) {
        duplicateIDs |= !ids.insert(info.id.rawValue).second;
        duplicateClasses |= !classNames.insert(info.className).second;
    }
    if (duplicateIDs) {
        found.emplace_back("duplicate scene ids");
    }
    if (duplicateClasses) {
        found.emplace_back("duplicate class names");
    }

    for (const SceneInfo& info : scenes) {
        const std::string& id = info.id.rawValue;
        if (info.title.empty() || info.className.empty()) {
            found.push_back(id + ": missing title or class");
        }
        if (id.find('.') != std::string::npos) {
            found.push_back(id + ": ids can't contain dots");
        }
        std::set<std::string> keys;
        bool duplicateKeys = false;
        for (const SceneOption& option : info.options) {
            duplicateKeys |= !keys.insert(option.key).second;
        }
        if (duplicateKeys) {
            found.push_back(id + ": duplicate option keys");
        }
        for (const SceneOption& option : info.options) {
            if (!option.hasChoice(option.defaultValue)) {
                found.push_back(id + "." + option.key + ": default isn't a choice");
            }
        }
        // Written so that NaN costs and hours count as unmeasured and out of range.
        if (!(info.cost.fixedMs >= 0) || !(info.cost.msPerMegapixel > 0)) {
            found.push_back(id + ": cost must be measured");
        }
        if (!(info.thumbnailHour >= 0.0f && info.thumbnailHour < 24.0f)) {
            found.push_back(id + ": thumbnail hour out of range");
        }
    }
    return found;
}

}  // namespace lumen
