#include "LumenKit/weather/FetchPolicy.hpp"

#include <gtest/gtest.h>

#include <date/date.h>

#include <cmath>
#include <limits>
#include <random>

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

bool due(const Place& place, const CacheState& cache) {
    return FetchPolicy::shouldFetch(now, place, cache);
}

TEST(FetchPolicyTests, NothingIsDueWithoutAUsablePlace) {
    EXPECT_FALSE(FetchPolicy::shouldFetch(now, std::nullopt, CacheState{}));
    EXPECT_EQ(FetchPolicy::nextFetch(now, std::nullopt, CacheState{}), std::nullopt);
    const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
    for (const auto& [latitude, longitude] : {std::pair{90.5, 0.0}, {-91.0, 0.0}, {0.0, 180.01},
                                              {nan, 0.0}, {0.0, nan}, {inf, 0.0}, {0.0, -inf}}) {
        const Place bad{"Nowhere", latitude, longitude};
        EXPECT_FALSE(due(bad, CacheState{})) << latitude << "," << longitude;
        EXPECT_EQ(FetchPolicy::nextFetch(now, bad, CacheState{}), std::nullopt);
    }
    EXPECT_TRUE(due(Place{"Pole", 90, -180}, CacheState{}));
    EXPECT_EQ(FetchPolicy::nextFetch(now, oslo, CacheState{}), now);
}

TEST(FetchPolicyTests, SamePlaceWaitsAnHourThenHonoursExpires) {
    EXPECT_FALSE(due(oslo, attempted(59min)));
    EXPECT_FALSE(due(oslo, attempted(3600s - 1ns)));
    EXPECT_TRUE(due(oslo, attempted(3600s)));
    EXPECT_FALSE(due(oslo, attempted(61min, oslo, now + 10min)));
    EXPECT_TRUE(due(oslo, attempted(61min, oslo, now)));
    EXPECT_TRUE(due(oslo, attempted(61min, oslo, now - 1min)));
    // An "Expires" sooner than the hour does not shorten it.
    EXPECT_FALSE(due(oslo, attempted(30min, oslo, now - 20min)));
    // Same name, coordinates one ulp apart: another place.
    const Place nudged{"Oslo", oslo.latitude, std::nextafter(oslo.longitude, 11.0)};
    EXPECT_TRUE(due(nudged, attempted(15min)));
    EXPECT_TRUE(due(Place{"Oslo, Norway", oslo.latitude, oslo.longitude}, attempted(15min)));
}

TEST(FetchPolicyTests, ChangedPlaceWaitsTenMinutes) {
    EXPECT_FALSE(due(sydney, attempted(5min)));
    EXPECT_FALSE(due(sydney, attempted(600s - 1ns)));
    EXPECT_TRUE(due(sydney, attempted(10min)));
    EXPECT_TRUE(due(oslo, attempted(10min, std::nullopt)));  // nothing stored yet
    EXPECT_TRUE(due(sydney, attempted(10min, oslo, now + 5h)));  // the old place's Expires
}

TEST(FetchPolicyTests, ClockGoingBackMakesARequestDue) {
    EXPECT_TRUE(due(oslo, attempted(-1s)));
    EXPECT_TRUE(due(sydney, attempted(-3h)));
    EXPECT_EQ(FetchPolicy::nextFetch(now, oslo, attempted(-1s)), now);
}

TEST(FetchPolicyTests, NextFetchIsTheLaterOfNowAndTheDueInstant) {
    EXPECT_EQ(FetchPolicy::nextFetch(now, oslo, attempted(20min)), now + 40min);
    EXPECT_EQ(FetchPolicy::nextFetch(now, oslo, attempted(2h)), now);
    EXPECT_EQ(FetchPolicy::nextFetch(now, sydney, attempted(4min)), now + 6min);
    EXPECT_EQ(FetchPolicy::nextFetch(now, oslo, attempted(20min, oslo, now + 2h)), now + 2h);
    EXPECT_EQ(FetchPolicy::nextFetch(now, oslo, attempted(20min, oslo, now + 9min)), now + 40min);
    EXPECT_EQ(FetchPolicy::nextFetch(now, sydney, attempted(20min, oslo, now + 2h)), now);
}

TEST(FetchPolicyTests, ExtremeInstantsNeitherOverflowNorWrap) {
    CacheState cache{oslo, Instant::max() - 1s, std::nullopt, std::nullopt, std::nullopt};
    EXPECT_FALSE(FetchPolicy::shouldFetch(Instant::max(), oslo, cache));
    EXPECT_EQ(FetchPolicy::nextFetch(Instant::max(), oslo, cache), Instant::max());
    cache.lastAttempt = Instant::min();
    EXPECT_TRUE(FetchPolicy::shouldFetch(Instant::max(), oslo, cache));
    EXPECT_TRUE(FetchPolicy::shouldFetch(Instant::max(), sydney, cache));
}

// nextFetch is exactly the first instant at which shouldFetch turns true.
TEST(FetchPolicyTests, NextFetchAgreesWithShouldFetch) {
    std::mt19937_64 engine(20211012);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto around = [&](double spanSeconds) {
        return now + duration_cast<system_clock::duration>(
                         duration<double>((unit(engine) * 2 - 1) * spanSeconds));
    };
    for (int i = 0; i < 2000; ++i) {
        CacheState cache;
        if (unit(engine) < 0.9) cache.lastAttempt = around(3 * 3600);
        if (unit(engine) < 0.5) cache.expires = around(4 * 3600);
        if (unit(engine) < 0.7) cache.place = unit(engine) < 0.7 ? oslo : sydney;
        const auto next = FetchPolicy::nextFetch(now, oslo, cache);
        ASSERT_TRUE(next && *next >= now);
        EXPECT_TRUE(FetchPolicy::shouldFetch(*next, oslo, cache)) << i;
        if (*next > now) {
            EXPECT_FALSE(FetchPolicy::shouldFetch(*next - 1ns, oslo, cache)) << i;
        }
    }
}

}  // namespace
}  // namespace lumen::METNorway
