#include "LumenKit/catalog/SceneCatalog.hpp"

#include <date/date.h>
#include <date/tz.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

namespace lumen {
namespace {

using namespace std::chrono_literals;
using std::chrono::system_clock;
using ::testing::ElementsAre;

const SceneCatalog& offered() {
    static const SceneCatalog catalog{SceneRegistry::offered()};
    return catalog;
}

system_clock::time_point utc(date::year_month_day day, std::chrono::hours hour = 0h) {
    return date::sys_days{day} + hour;
}

// Midday UTC of the given day number, so every zone near UTC agrees on the date.
system_clock::time_point middayOfDay(std::int64_t day) {
    return date::sys_days{date::year{2001} / 1 / 1} + date::days{day} + 12h;
}

SceneInfo minimalScene(const std::string& id, const std::string& className = "SScene") {
    SceneInfo info;
    info.id = id;
    info.title = "Title of " + id;
    info.className = className;
    info.cost = {0.1, 0.5};
    return info;
}

TEST(SceneRegistryTests, ListsAreSoundInDisplayOrderAndDeepReefComesFirst) {
    std::vector<std::string> ids;
    std::set<std::string> heavy;
    for (const SceneInfo& info : SceneRegistry::offered()) ids.push_back(info.id.text());
    for (const SceneInfo& info : SceneRegistry::all()) {
        if (info.isHeavy()) heavy.insert(info.id.text());
    }
    EXPECT_THAT(ids, ElementsAre("deepReef", "fairytaleCastle", "rainyWindowCafe", "alpineLake", "northernLightsCabin",
                                 "earthOrbit", "zenKoiPond", "neonCityRain", "nebulaFlythrough", "tropicalBeach",
                                 "cozyLibrary"));
    EXPECT_EQ(SceneRegistry::all().size(), SceneRegistry::offered().size() + SceneRegistry::heldBack().size());
    EXPECT_THAT(SceneCatalog{SceneRegistry::all()}.problems(), ::testing::IsEmpty());
    EXPECT_EQ(offered().fallback().id, SceneID("deepReef"));
    EXPECT_EQ(heavy, (std::set<std::string>{"alpineLake", "northernLightsCabin", "zenKoiPond", "neonCityRain"}));
}

TEST(SceneCostTests, ShareAndTheHeavyLine) {
    EXPECT_DOUBLE_EQ((SceneCost{1.0, 2.0}).share(500'000, 30), 9.9);  // 2 ms, 1.65 safety factor, 30 fps over 10 ms
    SceneInfo info = minimalScene("edge");
    info.cost = {3.03, 0.0};  // 14.9985 percent of a 1080p frame budget
    EXPECT_FALSE(info.isHeavy());
    info.cost = {3.031, 0.0};  // 15.00345 percent
    EXPECT_TRUE(info.isHeavy());
    info.cost = {0.1, 0.0};
    info.heavy = true;
    EXPECT_TRUE(info.isHeavy());
}

TEST(SceneCatalogTests, LookupIsExactAndResolveFallsBackToTheFirstScene) {
    EXPECT_EQ(offered().scene("deepReef"), SceneRegistry::offered()[0]);
    EXPECT_FALSE(offered().scene("DeepReef").has_value());
    EXPECT_FALSE(offered().scene("autumnStream").has_value());  // held back
    const auto now = system_clock::now();
    EXPECT_EQ(offered().resolve("noSuchScene", false, now, nullptr).id, SceneID("deepReef"));
    EXPECT_EQ(offered().resolve("neonCityRain", false, now, nullptr).id, SceneID("neonCityRain"));
    // Shuffling ignores the chosen id.
    EXPECT_EQ(offered().resolve("noSuchScene", true, middayOfDay(8838), nullptr),
              offered().dailyScene(middayOfDay(8838), nullptr));
    EXPECT_FALSE(SceneCatalog{}.dailyScene(now, nullptr).has_value());
    EXPECT_EQ(SceneCatalog{{minimalScene("only")}}.resolve("other", true, now, nullptr).id, SceneID("only"));
}

TEST(SceneCatalogProblemsTests, EveryRuleInOrder) {
    EXPECT_THAT(SceneCatalog{}.problems(), ElementsAre("no scenes"));
    SceneInfo broken = minimalScene("bad.id", "");
    broken.options = {{"a", "A", {{"x", "X"}}, "y", std::nullopt},
                      {"a", "A again", {{"x", "X"}}, "x", std::nullopt},
                      {"b", "B", {}, "z", std::nullopt}};
    broken.cost = {-0.1, 1.0};
    broken.thumbnailHour = 24.0f;
    const SceneCatalog catalog{{broken, minimalScene("twin", "Shared"), minimalScene("twin", "Shared"),
                                minimalScene("third", "Shared")}};
    EXPECT_THAT(catalog.problems(),
                ElementsAre("duplicate scene ids", "duplicate class names", "bad.id: missing title or class",
                            "bad.id: ids can't contain dots", "bad.id: duplicate option keys",
                            "bad.id.a: default isn't a choice", "bad.id.b: default isn't a choice",
                            "bad.id: cost must be measured", "bad.id: thumbnail hour out of range"));
    // Each bound on its own.
    const std::tuple<float, SceneCost, const char*, const char*> cases[] = {
        {23.99f, {0.0, 0.1}, "T", nullptr},  {-0.5f, {0.0, 0.1}, "T", "s: thumbnail hour out of range"},
        {0.0f, {1.0, 0.0}, "T", "s: cost must be measured"}, {0.0f, {0.0, 0.1}, "", "s: missing title or class"}};
    for (const auto& [hour, cost, title, problem] : cases) {
        SceneInfo info = minimalScene("s");
        info.thumbnailHour = hour;
        info.cost = cost;
        info.title = title;
        const auto expected = problem ? std::vector<std::string>{problem} : std::vector<std::string>{};
        EXPECT_EQ(SceneCatalog{{info}}.problems(), expected) << hour << " " << cost.fixedMs << " '" << title << "'";
    }
}

TEST(SceneDailyTests, DayNumbersCountCalendarDaysInTheLocalZone) {
    using date::year;
    EXPECT_EQ(SceneCatalog::dayNumber(utc(year{2001} / 1 / 1) - 1s, nullptr), -1);
    EXPECT_EQ(SceneCatalog::dayNumber(utc(year{2025} / 3 / 14, 23h) + 59min, nullptr), 8838);
    // 20:00 UTC on 1 January is already 2 January in Tokyo, still 1 January in New York.
    const date::time_zone* tokyo = date::locate_zone("Asia/Tokyo");
    const date::time_zone* newYork = date::locate_zone("America/New_York");
    EXPECT_EQ(SceneCatalog::dayNumber(utc(year{2001} / 1 / 1, 20h), tokyo), 1);
    EXPECT_EQ(SceneCatalog::dayNumber(utc(year{2001} / 1 / 1, 20h), newYork), 0);
    // A 23-hour day (spring forward) still counts as one calendar day: 00:30 EDT is the next one.
    EXPECT_EQ(SceneCatalog::dayNumber(utc(year{2001} / 4 / 2, 4h) + 30min, newYork), 91);
    EXPECT_EQ(SceneCatalog::dayNumber(utc(year{2001} / 4 / 2, 3h) + 30min, newYork), 90);
    EXPECT_EQ(offered().dailyScene(utc(year{2001} / 1 / 1, 20h), tokyo), offered().dailyScene(middayOfDay(1), nullptr));
}

TEST(SceneDailyTests, PicksFollowTheGoldenShuffle) {
    // Golden values: the order every installation shares; changing them reshuffles every
    // user's calendar.
    EXPECT_THAT(SceneCatalog::permutation(0, 11), ElementsAre(8u, 2u, 6u, 7u, 1u, 4u, 5u, 3u, 9u, 10u, 0u));
    EXPECT_THAT(SceneCatalog::permutation(-1, 11), ElementsAre(1u, 0u, 10u, 7u, 4u, 6u, 8u, 2u, 9u, 3u, 5u));
    EXPECT_THAT(SceneCatalog::permutation(std::numeric_limits<std::int64_t>::min(), 11),
                ElementsAre(10u, 5u, 0u, 2u, 6u, 1u, 4u, 8u, 3u, 9u, 7u));
    EXPECT_THAT(SceneCatalog::permutation(-5, 1), ElementsAre(0u));
    const auto& scenes = offered().scenes;
    // Day 0 is position 0 of cycle 0; day -1 is the last position of cycle -1.
    EXPECT_EQ(*offered().dailyScene(middayOfDay(0), nullptr), scenes[8]);
    EXPECT_EQ(*offered().dailyScene(middayOfDay(-1), nullptr), scenes[5]);
    EXPECT_EQ(*offered().dailyScene(middayOfDay(10), nullptr), scenes[0]);
    // Cycle 6 would open with the scene that closed cycle 5, so its first two days swap.
    ASSERT_EQ(SceneCatalog::permutation(6, 11).front(), SceneCatalog::permutation(5, 11).back());
    EXPECT_EQ(*offered().dailyScene(middayOfDay(66), nullptr), scenes[0]);
    EXPECT_EQ(*offered().dailyScene(middayOfDay(67), nullptr), scenes[1]);
}

TEST(SceneDailyTests, EveryCycleShowsEachSceneOnceAndNeverTwoDaysRunning) {
    // From three scenes up; with two, a swapped cycle can still end on the scene that opens
    // the next one, because the rule compares against the unswapped previous order.
    for (std::size_t size : {3u, 4u, 11u}) {
        SceneCatalog catalog;
        for (std::size_t i = 0; i < size; ++i) catalog.scenes.push_back(minimalScene("s" + std::to_string(i)));
        const auto n = static_cast<std::int64_t>(size);
        for (std::int64_t cycle = -60; cycle <= 60; ++cycle) {
            std::set<std::string> seen;
            for (std::int64_t day = cycle * n; day < (cycle + 1) * n; ++day) {
                const auto today = catalog.dailyScene(middayOfDay(day), nullptr);
                ASSERT_NE(today->id, catalog.dailyScene(middayOfDay(day - 1), nullptr)->id) << day << " of " << size;
                seen.insert(today->id.text());
            }
            EXPECT_EQ(seen.size(), size) << "cycle " << cycle;
        }
    }
}

}  // namespace
}  // namespace lumen
