#include "LumenKit/catalog/SceneCatalog.hpp"

#include <date/date.h>
#include <date/tz.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace lumen {
namespace {

using namespace std::chrono_literals;
using std::chrono::system_clock;
using ::testing::ElementsAre;

constexpr double kFullHD = 1920.0 * 1080.0;

SceneCatalog offeredCatalog() {
    return SceneCatalog{SceneRegistry::offered()};
}

system_clock::time_point utc(date::year_month_day day, std::chrono::hours hour = 0h) {
    return date::sys_days{day} + hour;
}

// Midday UTC of the given day number, so every zone near UTC agrees on the date.
system_clock::time_point middayOfDay(std::int64_t day) {
    return date::sys_days{date::year{2001} / 1 / 1} + date::days{day} + 12h;
}

SceneInfo minimalScene(const std::string& id, const std::string& className) {
    SceneInfo info;
    info.id = id;
    info.title = "Title of " + id;
    info.summary = "A scene.";
    info.className = className;
    info.cost = {0.1, 0.5};
    return info;
}

std::vector<std::string> idsOf(const std::vector<SceneInfo>& scenes) {
    std::vector<std::string> ids;
    for (const SceneInfo& info : scenes) {
        ids.push_back(info.id.text());
    }
    return ids;
}

// --- Registry -------------------------------------------------------------------------------

TEST(SceneRegistryTests, ListsHoldTheScenesInDisplayOrder) {
    EXPECT_THAT(idsOf(SceneRegistry::offered()),
                ElementsAre("deepReef", "fairytaleCastle", "rainyWindowCafe", "alpineLake",
                            "northernLightsCabin", "earthOrbit", "zenKoiPond", "neonCityRain",
                            "nebulaFlythrough", "tropicalBeach", "cozyLibrary"));
    EXPECT_THAT(idsOf(SceneRegistry::heldBack()), ElementsAre("autumnStream", "desertNight"));

    std::vector<SceneInfo> joined = SceneRegistry::offered();
    joined.insert(joined.end(), SceneRegistry::heldBack().begin(),
                  SceneRegistry::heldBack().end());
    EXPECT_EQ(SceneRegistry::all(), joined);
}

TEST(SceneRegistryTests, EveryCompiledInListIsSound) {
    EXPECT_THAT(SceneCatalog{SceneRegistry::all()}.problems(), ::testing::IsEmpty());
    EXPECT_THAT(offeredCatalog().problems(), ::testing::IsEmpty());
    EXPECT_THAT(SceneCatalog{SceneRegistry::heldBack()}.problems(), ::testing::IsEmpty());
    EXPECT_EQ(offeredCatalog().fallback().id, SceneID("deepReef"));
}

TEST(SceneRegistryTests, RecordsCarryTheirTextsAndOptions) {
    const SceneCatalog catalog{SceneRegistry::all()};
    std::set<std::string> weather;
    for (const SceneInfo& info : catalog.scenes) {
        if (info.usesWeather) {
            weather.insert(info.id.text());
        }
    }
    EXPECT_EQ(weather, (std::set<std::string>{"rainyWindowCafe", "alpineLake", "zenKoiPond"}));

    const SceneInfo cafe = *catalog.scene("rainyWindowCafe");
    EXPECT_EQ(cafe.title, "Rainy Window Café");
    EXPECT_EQ(cafe.className, "RainyWindowScene");
    EXPECT_EQ(cafe.thumbnailHour, 20.5f);
    EXPECT_EQ(cafe.cost, (SceneCost{0.26, 0.145}));
    ASSERT_EQ(cafe.options.size(), 2u);
    EXPECT_FALSE(cafe.options[0].help.has_value());
    EXPECT_EQ(cafe.options[1].help,
              "Following the weather needs a place (Settings › Weather). When it isn’t raining "
              "there, a light rain still falls.");

    const SceneOption fireworks = catalog.scene("fairytaleCastle")->options[0];
    EXPECT_THAT(fireworks.choices,
                ElementsAre(SceneOption::Choice{"often", "Often"},
                            SceneOption::Choice{"sometimes", "Now and then"},
                            SceneOption::Choice{"off", "Off"}));
    // The one default that is not the first choice.
    EXPECT_EQ(fireworks.defaultValue, "sometimes");

    const SceneInfo cabin = *catalog.scene("northernLightsCabin");
    std::vector<std::string> keys;
    for (const auto& option : cabin.options) {
        keys.push_back(option.key + "=" + option.defaultValue);
    }
    EXPECT_THAT(keys, ElementsAre("aurora=strong", "snow=gentle", "sky=clock"));
    EXPECT_EQ(catalog.scene("alpineLake")->options[0].choices.size(), 7u);
    EXPECT_EQ(catalog.scene("alpineLake")->thumbnailHour, 7.3f);
    EXPECT_TRUE(catalog.scene("deepReef")->options.empty());
}

// --- Cost -----------------------------------------------------------------------------------

TEST(SceneCostTests, EstimatesMillisecondsAndShare) {
    const SceneCost cost{1.0, 2.0};
    EXPECT_DOUBLE_EQ(cost.milliseconds(0), 1.0);
    EXPECT_DOUBLE_EQ(cost.milliseconds(500'000), 2.0);
    // 2 ms at 30 fps with the 1.65 safety factor: 2 * 1.65 * 30 / 10.
    EXPECT_DOUBLE_EQ(cost.share(500'000, 30), 9.9);
}

TEST(SceneCostTests, HeavinessFollowsFlagOrCost) {
    const SceneCatalog catalog{SceneRegistry::all()};
    EXPECT_NEAR(catalog.scene("zenKoiPond")->cost.share(kFullHD, 30), 19.85, 0.005);
    EXPECT_NEAR(catalog.scene("neonCityRain")->cost.share(kFullHD, 30), 15.99, 0.005);
    EXPECT_NEAR(catalog.scene("autumnStream")->cost.share(kFullHD, 30), 14.64, 0.005);

    std::set<std::string> heavy;
    for (const SceneInfo& info : SceneRegistry::all()) {
        if (info.isHeavy()) {
            heavy.insert(info.id.text());
        }
    }
    EXPECT_EQ(heavy, (std::set<std::string>{"alpineLake", "northernLightsCabin", "zenKoiPond",
                                            "neonCityRain"}));

    // Alpine Lake is heavy only through its flag.
    SceneInfo alpine = *catalog.scene("alpineLake");
    alpine.heavy = false;
    EXPECT_FALSE(alpine.isHeavy());
}

TEST(SceneCostTests, HeavyLineSitsAtFifteenPercent) {
    SceneInfo info = minimalScene("edge", "EdgeScene");
    info.cost = {3.03, 0.0};  // 14.9985 percent
    EXPECT_FALSE(info.isHeavy());
    info.cost = {3.031, 0.0};  // 15.00345 percent
    EXPECT_TRUE(info.isHeavy());
}

// --- Lookups --------------------------------------------------------------------------------

TEST(SceneCatalogTests, LookupIsCaseSensitiveAndFallsBackToTheFirstScene) {
    const SceneCatalog catalog = offeredCatalog();
    ASSERT_TRUE(catalog.scene("deepReef").has_value());
    EXPECT_EQ(*catalog.scene("deepReef"), SceneRegistry::offered()[0]);
    EXPECT_FALSE(catalog.scene("DeepReef").has_value());
    EXPECT_FALSE(catalog.scene("autumnStream").has_value());

    const auto now = system_clock::now();
    EXPECT_EQ(catalog.resolve("noSuchScene", false, now, nullptr).id, SceneID("deepReef"));
    EXPECT_EQ(catalog.resolve("neonCityRain", false, now, nullptr).id, SceneID("neonCityRain"));
}

TEST(SceneCatalogTests, ShuffleIgnoresTheChosenId) {
    const SceneCatalog catalog = offeredCatalog();
    const auto day = middayOfDay(8838);
    const SceneInfo daily = *catalog.dailyScene(day, nullptr);
    for (const char* id : {"deepReef", "neonCityRain", "noSuchScene"}) {
        EXPECT_EQ(catalog.resolve(id, true, day, nullptr), daily);
    }
}

TEST(SceneCatalogTests, LookupsOnTinyCatalogs) {
    const SceneCatalog empty;
    EXPECT_FALSE(empty.dailyScene(system_clock::now(), nullptr).has_value());
    EXPECT_FALSE(empty.scene("deepReef").has_value());

    const SceneCatalog single{{minimalScene("only", "OnlyScene")}};
    for (std::int64_t day : {-100, -1, 0, 1, 12345}) {
        EXPECT_EQ(single.dailyScene(middayOfDay(day), nullptr)->id, SceneID("only"));
    }
    EXPECT_EQ(single.resolve("other", false, system_clock::now(), nullptr).id, SceneID("only"));
}

// --- Problems -------------------------------------------------------------------------------

TEST(SceneCatalogProblemsTests, EmptyCatalogHasOneProblem) {
    EXPECT_THAT(SceneCatalog{}.problems(), ElementsAre("no scenes"));
}

TEST(SceneCatalogProblemsTests, DuplicateIdComesBeforeRecordProblems) {
    SceneInfo second = minimalScene("deepReef", "OtherScene");
    second.options.push_back({"mood", "Mood", {{"calm", "Calm"}}, "stormy", std::nullopt});
    const SceneCatalog catalog{{SceneRegistry::offered()[0], second}};
    EXPECT_THAT(catalog.problems(),
                ElementsAre("duplicate scene ids", "deepReef.mood: default isn't a choice"));
}

TEST(SceneCatalogProblemsTests, EveryRuleInOrder) {
    SceneInfo broken = minimalScene("bad.id", "");
    broken.options = {
        {"a", "A", {{"x", "X"}}, "y", std::nullopt},
        {"a", "A again", {{"x", "X"}}, "x", std::nullopt},
        {"b", "B", {}, "z", std::nullopt},
    };
    broken.cost = {-0.1, 1.0};
    broken.thumbnailHour = 24.0f;
    SceneInfo twin = minimalScene("twin", "SharedScene");
    SceneInfo twinAgain = minimalScene("twin", "SharedScene");
    SceneInfo third = minimalScene("third", "SharedScene");

    const SceneCatalog catalog{{broken, twin, twinAgain, third}};
    EXPECT_THAT(catalog.problems(),
                ElementsAre("duplicate scene ids", "duplicate class names",
                            "bad.id: missing title or class", "bad.id: ids can't contain dots",
                            "bad.id: duplicate option keys", "bad.id.a: default isn't a choice",
                            "bad.id.b: default isn't a choice", "bad.id: cost must be measured",
                            "bad.id: thumbnail hour out of range"));
}

TEST(SceneCatalogProblemsTests, MissingTitleIsReported) {
    SceneInfo untitled = minimalScene("untitled", "UntitledScene");
    untitled.title.clear();
    EXPECT_THAT(SceneCatalog{{untitled}}.problems(),
                ElementsAre("untitled: missing title or class"));
}

TEST(SceneCatalogProblemsTests, ThumbnailHourAndCostBounds) {
    const auto problemsWith = [](float hour, SceneCost cost) {
        SceneInfo info = minimalScene("s", "SScene");
        info.thumbnailHour = hour;
        info.cost = cost;
        return SceneCatalog{{info}}.problems();
    };
    const SceneCost measured{0.0, 0.1};
    EXPECT_THAT(problemsWith(0.0f, measured), ::testing::IsEmpty());
    EXPECT_THAT(problemsWith(23.99f, measured), ::testing::IsEmpty());
    EXPECT_THAT(problemsWith(24.0f, measured), ElementsAre("s: thumbnail hour out of range"));
    EXPECT_THAT(problemsWith(-0.5f, measured), ElementsAre("s: thumbnail hour out of range"));
    EXPECT_THAT(problemsWith(12.0f, {1.0, 0.0}), ElementsAre("s: cost must be measured"));
    EXPECT_THAT(problemsWith(12.0f, {-1.0, 1.0}), ElementsAre("s: cost must be measured"));
}

// --- Permutation ----------------------------------------------------------------------------

TEST(ScenePermutationTests, TinySizesAreIdentity) {
    for (std::int64_t seed : {std::int64_t{0}, std::int64_t{-5}, std::int64_t{99}}) {
        EXPECT_TRUE(SceneCatalog::permutation(seed, 0).empty());
        EXPECT_THAT(SceneCatalog::permutation(seed, 1), ElementsAre(0u));
    }
}

TEST(ScenePermutationTests, MatchesGoldenValues) {
    // golden values
    EXPECT_THAT(SceneCatalog::permutation(0, 11),
                ElementsAre(8u, 2u, 6u, 7u, 1u, 4u, 5u, 3u, 9u, 10u, 0u));
    EXPECT_THAT(SceneCatalog::permutation(1, 11),
                ElementsAre(7u, 5u, 8u, 3u, 1u, 2u, 9u, 0u, 10u, 4u, 6u));
    EXPECT_THAT(SceneCatalog::permutation(-1, 11),
                ElementsAre(1u, 0u, 10u, 7u, 4u, 6u, 8u, 2u, 9u, 3u, 5u));
    EXPECT_THAT(SceneCatalog::permutation(42, 5), ElementsAre(2u, 1u, 4u, 3u, 0u));
    EXPECT_THAT(SceneCatalog::permutation(std::numeric_limits<std::int64_t>::min(), 11),
                ElementsAre(10u, 5u, 0u, 2u, 6u, 1u, 4u, 8u, 3u, 9u, 7u));
}

TEST(ScenePermutationTests, AlwaysAPermutation) {
    for (std::int64_t seed = -300; seed <= 300; seed += 7) {
        for (std::size_t n : {2u, 3u, 11u, 40u}) {
            auto order = SceneCatalog::permutation(seed, n);
            std::sort(order.begin(), order.end());
            for (std::size_t i = 0; i < n; ++i) {
                ASSERT_EQ(order[i], i) << "seed " << seed << " n " << n;
            }
        }
    }
}

// --- Day numbers and the daily pick ---------------------------------------------------------

TEST(SceneDayNumberTests, CountsCalendarDaysFromTheStartOf2001) {
    using date::year;
    EXPECT_EQ(SceneCatalog::dayNumber(utc(year{2001} / 1 / 1), nullptr), 0);
    EXPECT_EQ(SceneCatalog::dayNumber(utc(year{2001} / 1 / 1, 23h) + 59min, nullptr), 0);
    EXPECT_EQ(SceneCatalog::dayNumber(utc(year{2001} / 1 / 1) - 1s, nullptr), -1);
    EXPECT_EQ(SceneCatalog::dayNumber(utc(year{2001} / 1 / 2), nullptr), 1);
    EXPECT_EQ(SceneCatalog::dayNumber(utc(year{2025} / 3 / 14, 8h), nullptr), 8838);
    EXPECT_EQ(SceneCatalog::dayNumber(utc(year{1970} / 1 / 1), nullptr), -11323);
}

TEST(SceneDayNumberTests, TheTimeZoneMovesTheDayBoundary) {
    const date::time_zone* tokyo = date::locate_zone("Asia/Tokyo");
    const date::time_zone* newYork = date::locate_zone("America/New_York");
    // 20:00 UTC on 1 January is already 2 January in Tokyo, still 1 January in New York.
    const auto instant = utc(date::year{2001} / 1 / 1, 20h);
    EXPECT_EQ(SceneCatalog::dayNumber(instant, tokyo), 1);
    EXPECT_EQ(SceneCatalog::dayNumber(instant, newYork), 0);
    EXPECT_EQ(SceneCatalog::dayNumber(instant, nullptr), 0);

    // Day 0 starts at local midnight: 15:00 UTC on 31 December is 1 January in Tokyo.
    const auto tokyoMidnight = utc(date::year{2000} / 12 / 31, 15h);
    EXPECT_EQ(SceneCatalog::dayNumber(tokyoMidnight, tokyo), 0);
    EXPECT_EQ(SceneCatalog::dayNumber(tokyoMidnight - 1s, tokyo), -1);

    // A 23-hour day (spring forward) still counts as one calendar day.
    const auto afterSpringForward = utc(date::year{2001} / 4 / 2, 4h) + 30min;  // 00:30 EDT
    EXPECT_EQ(SceneCatalog::dayNumber(afterSpringForward, newYork), 91);
    EXPECT_EQ(SceneCatalog::dayNumber(afterSpringForward - 1h, newYork), 90);

    const SceneCatalog catalog = offeredCatalog();
    const auto tokyoPick = catalog.dailyScene(instant, tokyo);
    const auto newYorkPick = catalog.dailyScene(instant, newYork);
    EXPECT_EQ(tokyoPick, catalog.dailyScene(middayOfDay(1), nullptr));
    EXPECT_EQ(newYorkPick, catalog.dailyScene(middayOfDay(0), nullptr));
    EXPECT_NE(tokyoPick, newYorkPick);
}

TEST(SceneDailyTests, EveryCycleShowsEachSceneOnce) {
    const SceneCatalog catalog = offeredCatalog();
    const std::int64_t n = 11;
    for (std::int64_t cycle = -60; cycle <= 60; ++cycle) {
        std::set<std::string> seen;
        for (std::int64_t position = 0; position < n; ++position) {
            seen.insert(catalog.dailyScene(middayOfDay(cycle * n + position), nullptr)->id.text());
        }
        EXPECT_EQ(seen.size(), 11u) << "cycle " << cycle;
    }
}

TEST(SceneDailyTests, NoSceneShowsTwoDaysRunning) {
    // From three scenes up; with two, a swapped cycle can still end on the scene that opens
    // the next one, because the rule compares against the unswapped previous order.
    for (std::size_t size : {3u, 4u, 11u}) {
        SceneCatalog catalog;
        for (std::size_t i = 0; i < size; ++i) {
            catalog.scenes.push_back(
                minimalScene("s" + std::to_string(i), "S" + std::to_string(i) + "Scene"));
        }
        auto previous = catalog.dailyScene(middayOfDay(-700), nullptr);
        for (std::int64_t day = -699; day <= 700; ++day) {
            const auto today = catalog.dailyScene(middayOfDay(day), nullptr);
            ASSERT_NE(today->id, previous->id) << "day " << day << " size " << size;
            previous = today;
        }
    }
}

TEST(SceneDailyTests, SameDaySameScene) {
    const SceneCatalog catalog = offeredCatalog();
    const auto morning = utc(date::year{2024} / 7 / 9, 0h) + 1min;
    const auto evening = utc(date::year{2024} / 7 / 9, 23h) + 59min;
    EXPECT_EQ(catalog.dailyScene(morning, nullptr), catalog.dailyScene(evening, nullptr));
}

TEST(SceneDailyTests, PicksFollowTheShuffle) {
    const SceneCatalog catalog = offeredCatalog();
    const auto& scenes = catalog.scenes;
    // Day 0 is position 0 of cycle 0; day -1 is the last position of cycle -1.
    EXPECT_EQ(*catalog.dailyScene(middayOfDay(0), nullptr), scenes[8]);
    EXPECT_EQ(*catalog.dailyScene(middayOfDay(-1), nullptr), scenes[5]);
    EXPECT_EQ(*catalog.dailyScene(middayOfDay(-1), nullptr),
              scenes[SceneCatalog::permutation(-1, 11).back()]);
    EXPECT_EQ(*catalog.dailyScene(middayOfDay(10), nullptr), scenes[0]);
    // Cycle 6 would open with the scene that closed cycle 5, so its first two days swap.
    EXPECT_EQ(SceneCatalog::permutation(6, 11).front(), SceneCatalog::permutation(5, 11).back());
    EXPECT_EQ(*catalog.dailyScene(middayOfDay(65), nullptr), scenes[1]);
    EXPECT_EQ(*catalog.dailyScene(middayOfDay(66), nullptr), scenes[0]);
    EXPECT_EQ(*catalog.dailyScene(middayOfDay(67), nullptr), scenes[1]);
}

}  // namespace
}  // namespace lumen
