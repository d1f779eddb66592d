#include "LumenKit/weather/FetchPolicy.hpp"

#include <gtest/gtest.h>

#include <date/date.h>

#include <cmath>

namespace lumen::METNorway {
namespace {

using namespace std::chrono;
using Instant = system_clock::time_point;

const Instant now = date::sys_days{date::year{2021} / 10 / 12} + 12h;
const Place oslo{"Oslo", 59.91, 10.75};
const Place sydney{"Sydney", -33.8688, 151.2093};

CacheState attempted(system_clock::duration ago, std::optional<Place> place = oslo,
                     std::optional<Instant> expires = std::nullopt) {
    return CacheState{std::move(place), now - ago, std::nullopt, expires, std::nullopt};
}

TEST(FetchPolicyTests, WhenARequestIsDue) {
    struct Case {
        const char* why;
        Place place;
        CacheState cache;
        bool due;
        std::optional<Instant> next;
    };
    const Place nudged{"Oslo", oslo.latitude, std::nextafter(oslo.longitude, 11.0)};
    const Case cases[] = {
        {"nothing attempted yet", oslo, CacheState{}, true, now},
        {"the poles are places too", Place{"Pole", 90, -180}, CacheState{}, true, now},
        {"same place within the hour", oslo, attempted(20min), false, now + 40min},
        {"same place, a nanosecond short of the hour", oslo, attempted(3600s - 1ns), false, now + 1ns},
        {"same place after the hour", oslo, attempted(3600s), true, now},
        {"Expires later than the hour", oslo, attempted(61min, oslo, now + 10min), false, now + 10min},
        {"Expires reached", oslo, attempted(61min, oslo, now), true, now},
        {"Expires sooner than the hour does not shorten it", oslo, attempted(30min, oslo, now - 20min), false,
         now + 30min},
        {"Expires within the hour", oslo, attempted(20min, oslo, now + 9min), false, now + 40min},
        {"changed place within ten minutes", sydney, attempted(4min), false, now + 6min},
        {"changed place, a nanosecond short", sydney, attempted(600s - 1ns), false, now + 1ns},
        {"changed place after ten minutes", sydney, attempted(10min), true, now},
        {"the old place's Expires does not count", sydney, attempted(10min, oslo, now + 5h), true, now},
        {"no place stored yet", oslo, attempted(10min, std::nullopt), true, now},
        {"same name, coordinates one ulp apart", nudged, attempted(15min), true, now},
        {"same coordinates, another name", Place{"Oslo, Norway", oslo.latitude, oslo.longitude}, attempted(15min),
         true, now},
        {"the clock went back", oslo, attempted(-1s), true, now},
        {"the clock went back, changed place", sydney, attempted(-3h), true, now},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FetchPolicy::shouldFetch(now, c.place, c.cache), c.due) << c.why;
        EXPECT_EQ(FetchPolicy::nextFetch(now, c.place, c.cache), c.next) << c.why;
    }
}

// Place validity itself is the place's own rule; here only that it gates every request.
TEST(FetchPolicyTests, NothingIsDueWithoutAUsablePlace) {
    for (const std::optional<Place>& place : {std::optional<Place>{}, std::optional{Place{"Nowhere", 90.5, 0.0}},
                                              std::optional{Place{"Nowhere", 0.0, std::nan("")}}}) {
        EXPECT_FALSE(FetchPolicy::shouldFetch(now, place, CacheState{}));
        EXPECT_EQ(FetchPolicy::nextFetch(now, place, CacheState{}), std::nullopt);
    }
}

TEST(FetchPolicyTests, ExtremeInstantsNeitherOverflowNorWrap) {
    CacheState cache{oslo, Instant::max() - 1s, std::nullopt, std::nullopt, std::nullopt};
    EXPECT_FALSE(FetchPolicy::shouldFetch(Instant::max(), oslo, cache));
    EXPECT_EQ(FetchPolicy::nextFetch(Instant::max() - 1s, oslo, cache), Instant::max());  // saturated, not wrapped
    cache.lastAttempt = Instant::min();
    EXPECT_TRUE(FetchPolicy::shouldFetch(Instant::max(), oslo, cache));
    EXPECT_TRUE(FetchPolicy::shouldFetch(Instant::max(), sydney, cache));
}

}  // namespace
}  // namespace lumen::METNorway
