#include "LumenKit/scenes/castle/FireworkMath.hpp"
#include "LumenKit/scenes/castle/FireworkScheduler.hpp"
#include "LumenKit/testsupport/Fnv1a.hpp"

#include <gtest/gtest.h>

#include <set>

using namespace lumen::castle;

namespace {

constexpr double step = 0.1;

// Runs the scheduler from `from` to `to` in frame steps; returns every shell it made.
std::vector<Shell> run(FireworkScheduler& s, FireworkPace pace, bool quiet, double from, double to) {
    std::vector<Shell> made;
    std::set<double> seen;
    for (double t = from; t < to; t += step) {
        s.update(pace, quiet, t);
        for (const Shell& shell : s.shells) {
            if (seen.insert(shell.launchTime).second) made.push_back(shell);
        }
    }
    return made;
}

// Shells of the volley the scheduler fires at its next due time.
std::vector<Shell> nextVolley(FireworkScheduler& s, FireworkPace pace, bool quiet) {
    const double t = s.nextVolley;
    s.shells.clear();
    s.update(pace, quiet, t);
    return s.shells;
}

}  // namespace

// Update this checksum only when the volley rules or the per-kind constants change on purpose.
TEST(FireworkScheduler, TenMinutesAtOftenMatchTheGoldenRun) {
    FireworkScheduler s(1888, 0);
    const std::vector<Shell> shells = run(s, FireworkPace::often, false, 0, 600);
    reeftest::Fnv1a f;
    for (const Shell& shell : shells) {
        f.add(shell.launchTime);
        f.add(shell.origin);
        f.add(shell.burst);
        f.add(shell.riseDuration);
        f.add(static_cast<int>(shell.kind));
        f.add(shell.colorA);
        f.add(shell.colorB);
        f.add(shell.starCount);
        f.add(shell.speed);
        f.add(shell.life);
        f.add(shell.seed);
    }
    EXPECT_EQ(s.volleys, 30);
    EXPECT_EQ(shells.size(), 205u);
    EXPECT_EQ(f.hash, 628088597608979742u);
}

TEST(FireworkScheduler, FinalesAndQuietVolleysHaveTheirSizes) {
    struct Case {
        FireworkPace pace;
        bool quiet;
        int volley;
        std::size_t least, most;
    };
    for (const Case c : {Case{FireworkPace::often, false, 5, 12, 17}, Case{FireworkPace::sometimes, false, 4, 12, 17},
                         Case{FireworkPace::often, true, 5, 1, 3}, Case{FireworkPace::sometimes, false, 3, 3, 7}}) {
        FireworkScheduler s(77, 0);
        std::vector<Shell> volley;
        for (int i = 0; i < c.volley; ++i) volley = nextVolley(s, c.pace, c.quiet);
        EXPECT_EQ(s.volleys, c.volley);
        EXPECT_GE(volley.size(), c.least) << c.volley;
        EXPECT_LE(volley.size(), c.most) << c.volley;
    }
}

TEST(FireworkScheduler, OffAddsNothingAndDropsQueuedShells) {
    FireworkScheduler s(5, 0);
    s.update(FireworkPace::often, false, 5);
    ASSERT_FALSE(s.shells.empty());
    s.update(FireworkPace::off, false, 5.05);
    for (const Shell& shell : s.shells) EXPECT_LE(shell.launchTime, 5.05);
    EXPECT_TRUE(run(s, FireworkPace::off, false, 5.1, 100).size() <= s.shells.size());
    EXPECT_TRUE(s.shells.empty());
    const double lastOff = 200;
    s.update(FireworkPace::off, false, lastOff);
    EXPECT_DOUBLE_EQ(s.nextVolley, lastOff + 4);
    s.update(FireworkPace::often, false, lastOff + 3.9);
    EXPECT_EQ(s.volleys, 1);
    s.update(FireworkPace::often, false, lastOff + 4);
    EXPECT_EQ(s.volleys, 2);
}

// Sleep and wake, or a clock set back a day: no backlog of volleys, and they do not stop.
TEST(FireworkScheduler, AJumpingClockNeitherFloodsNorStops) {
    for (const double jump : {5000.0, -86400.0}) {
        FireworkScheduler s(1888, 100000);
        run(s, FireworkPace::sometimes, false, 100000, 100200);
        const int before = s.volleys;
        const double woke = 100200 + jump;
        s.update(FireworkPace::sometimes, false, woke);
        EXPECT_EQ(s.volleys, before) << jump;
        EXPECT_DOUBLE_EQ(s.nextVolley, woke + 2) << jump;
        run(s, FireworkPace::sometimes, false, woke + 0.05, woke + 2.1);
        EXPECT_EQ(s.volleys, before + 1) << jump;
    }
}

TEST(FireworkScheduler, AShellLivesThroughRiseLifeTrailAndAFifthOfASecond) {
    Shell shell;
    shell.launchTime = 10;
    shell.riseDuration = 2;
    shell.life = 3;
    shell.trail = 0.5f;
    EXPECT_FALSE(shell.aliveAt(9.99));
    EXPECT_TRUE(shell.aliveAt(15.69));
    EXPECT_FALSE(shell.aliveAt(15.7));
}

TEST(FireworkMath, FlashesAreTheBrightestBurstsFirst) {
    std::vector<Shell> shells(4);
    for (std::size_t i = 0; i < shells.size(); ++i) {
        shells[i].launchTime = 0;
        shells[i].riseDuration = 1;
        shells[i].life = 2;
        shells[i].colorA = shells[i].colorB = {1, 1, 1};
        shells[i].starCount = 100 + 10 * static_cast<int>(i);
        shells[i].burst = {static_cast<float>(i), 0, 0};
    }
    shells[3].riseDuration = 5;  // still rising: no light
    const auto lights = FireworkMath::flashLights(1.1, shells, 2);
    ASSERT_EQ(lights.size(), 2u);
    EXPECT_EQ(lights[0].position.x, 2);
    EXPECT_EQ(lights[1].position.x, 1);
    EXPECT_TRUE(FireworkMath::flashLights(3.0, shells, 3).empty());  // past every life but the rising one's
}
