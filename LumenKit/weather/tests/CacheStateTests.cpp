#include "LumenKit/weather/CacheState.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <date/date.h>

namespace lumen::METNorway {
namespace {

using namespace std::chrono;
using nlohmann::json;

const system_clock::time_point noon = date::sys_days{date::year{2021} / 10 / 12} + 12h;
const CacheState filled{Place{"Göteborg", 57.6984, 11.9659}, noon + 250ms, noon + 1s, noon + 30min + 17s,
                        "Tue, 12 Oct 2021 08:51:03 GMT"};

TEST(METNorwayCacheStateTests, StoresPresentFieldsAsReferenceSecondsAndReadsThemBack) {
    EXPECT_EQ(CacheState{}.toJSON(), json::object());
    EXPECT_EQ(CacheState::fromJSON(json::object()), CacheState{});
    EXPECT_EQ(filled.toJSON(), (json{{"place", {{"name", "Göteborg"}, {"latitude", 57.6984}, {"longitude", 11.9659}}},
                                     {"lastAttempt", 655732800.25},  // seconds since 2001-01-01 00:00:00 UTC
                                     {"lastSuccess", 655732801.0},
                                     {"expires", 655734617.0},
                                     {"lastModified", "Tue, 12 Oct 2021 08:51:03 GMT"}}));
    EXPECT_EQ(CacheState::fromJSON(json::parse(filled.toJSON().dump())), filled);
    const CacheState partial{std::nullopt, std::nullopt, std::nullopt, noon - 3h, ""};
    EXPECT_EQ(CacheState::fromJSON(json::parse(partial.toJSON().dump())), partial);
    // Null counts as absent; unknown keys are ignored.
    const auto decoded = CacheState::fromJSON(
        json{{"lastAttempt", 0}, {"lastSuccess", -978307200}, {"place", nullptr}, {"body", "ignored"}});
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->lastAttempt, date::sys_days{date::year{2001} / 1 / 1});
    EXPECT_EQ(decoded->lastSuccess, system_clock::time_point{});
    EXPECT_EQ(decoded->place, std::nullopt);
}

// A broken cache file is dropped whole; nothing half-read reaches the fetch policy.
TEST(METNorwayCacheStateTests, BrokenRecordsDecodeToNothing) {
    const json good = filled.toJSON();
    for (const auto& [key, wrong] : std::vector<std::pair<std::string, json>>{
             {"place", "Oslo"}, {"place", {{"name", "Oslo"}}}, {"lastAttempt", "soon"}, {"lastSuccess", true},
             {"expires", json::array()}, {"expires", 1e18}, {"lastModified", 12}}) {
        json broken = good;
        broken[key] = wrong;
        EXPECT_FALSE(CacheState::fromJSON(broken)) << key << " = " << wrong.dump();
    }
    for (const json& notAnObject : {json(), json(1), json::array({good})}) {
        EXPECT_FALSE(CacheState::fromJSON(notAnObject)) << notAnObject.dump();
    }
}

}  // namespace
}  // namespace lumen::METNorway
