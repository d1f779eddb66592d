#include "LumenKit/policy/FramePacer.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace lumen {
namespace {

// Indices of the callbacks (at i / refreshHz, plus optional jitter) on which the pacer draws.
std::vector<int> drawnCallbacks(FramePacer& pacer, double refreshHz, int callbacks,
                                double jitter = 0) {
    std::vector<int> drawn;
    const double interval = 1.0 / refreshHz;
    for (int i = 0; i < callbacks; ++i) {
        // Alternate early and late arrivals to wobble the timing without a trend.
        double offset = (i % 2 == 0 ? 1 : -1) * jitter * ((i % 3) / 2.0);
        if (pacer.shouldDraw(i * interval + offset, interval)) drawn.push_back(i);
    }
    return drawn;
}

void expectEvery(const std::vector<int>& drawn, int step, int callbacks) {
    ASSERT_EQ(drawn.size(), static_cast<std::size_t>((callbacks + step - 1) / step));
    for (std::size_t k = 0; k < drawn.size(); ++k) {
        EXPECT_EQ(drawn[k], static_cast<int>(k) * step) << "frame " << k;
    }
}

TEST(FramePacer, RateBelowOnePacesAtOneFrameASecond) {
    for (int rate : {0, -1, -30, std::numeric_limits<int>::min()}) {
        FramePacer pacer(rate);
        EXPECT_EQ(pacer.targetFPS(), 1) << rate;
        EXPECT_EQ(pacer.period(), 1.0);
        EXPECT_EQ(pacer.nextDue(), std::nullopt);
    }
    FramePacer pacer(30);
    pacer.setTarget(0);
    EXPECT_EQ(pacer.targetFPS(), 1);
}

TEST(FramePacer, FirstCallDrawsAndSchedulesOnePeriodAhead) {
    FramePacer pacer(30);
    EXPECT_EQ(pacer.nextDue(), std::nullopt);
    EXPECT_TRUE(pacer.shouldDraw(100.0, 1.0 / 60));
    ASSERT_TRUE(pacer.nextDue().has_value());
    EXPECT_DOUBLE_EQ(*pacer.nextDue(), 100.0 + 1.0 / 30);
}

TEST(FramePacer, ThirtyOnSixtyHertzDrawsEverySecondCallback) {
    FramePacer pacer(30);
    expectEvery(drawnCallbacks(pacer, 60, 600), 2, 600);
}

TEST(FramePacer, ThirtyOnOneTwentyHertzDrawsEveryFourthCallback) {
    FramePacer pacer(30);
    expectEvery(drawnCallbacks(pacer, 120, 1200), 4, 1200);
}

TEST(FramePacer, FifteenOnSixtyHertzDrawsEveryFourthCallback) {
    FramePacer pacer(15);
    expectEvery(drawnCallbacks(pacer, 60, 600), 4, 600);
}

TEST(FramePacer, SmallJitterDoesNotDriftTheCadence) {
    FramePacer pacer(30);
    // Up to a millisecond early or late, over a minute of callbacks.
    expectEvery(drawnCallbacks(pacer, 60, 3600, 0.001), 2, 3600);
}

TEST(FramePacer, NotDueLeavesTheScheduleAlone) {
    FramePacer pacer(30);
    ASSERT_TRUE(pacer.shouldDraw(0, 1.0 / 60));
    FramePacer before = pacer;
    EXPECT_FALSE(pacer.shouldDraw(1.0 / 60, 1.0 / 60));
    EXPECT_EQ(pacer, before);
}

TEST(FramePacer, DrawsWhenDueExactlyHalfAnIntervalAhead) {
    // Values exact in binary, so the boundary is tested as such.
    FramePacer pacer(4);  // period 0.25
    ASSERT_TRUE(pacer.shouldDraw(0, 0.125));  // due at 0.25
    EXPECT_FALSE(pacer.shouldDraw(0.1875 - 0.015625, 0.125));  // due later than now + 0.0625
    EXPECT_TRUE(pacer.shouldDraw(0.1875, 0.125));  // due exactly at now + 0.0625
    EXPECT_EQ(pacer.nextDue(), 0.5);
}

TEST(FramePacer, AStallReAnchorsWithoutABurst) {
    const double interval = 1.0 / 60;
    FramePacer pacer(30);
    ASSERT_TRUE(pacer.shouldDraw(0, interval));
    ASSERT_FALSE(pacer.shouldDraw(interval, interval));
    ASSERT_TRUE(pacer.shouldDraw(2 * interval, interval));

    const double late = 2 * interval + 1.0;
    EXPECT_TRUE(pacer.shouldDraw(late, interval));
    ASSERT_TRUE(pacer.nextDue().has_value());
    EXPECT_DOUBLE_EQ(*pacer.nextDue(), late + 1.0 / 30);

    // No catch-up: the callbacks right after the stall keep the normal every-second rhythm.
    EXPECT_FALSE(pacer.shouldDraw(late + interval, interval));
    EXPECT_TRUE(pacer.shouldDraw(late + 2 * interval, interval));
    EXPECT_FALSE(pacer.shouldDraw(late + 3 * interval, interval));
    EXPECT_TRUE(pacer.shouldDraw(late + 4 * interval, interval));
}

TEST(FramePacer, LatenessOfExactlyOnePeriodKeepsTheCadence) {
    FramePacer pacer(4);  // period 0.25
    ASSERT_TRUE(pacer.shouldDraw(0, 0.125));  // due at 0.25
    EXPECT_TRUE(pacer.shouldDraw(0.5, 0.125));  // late by exactly 0.25
    EXPECT_EQ(pacer.nextDue(), 0.5);  // advanced from the old due time, not re-anchored

    FramePacer later(4);
    ASSERT_TRUE(later.shouldDraw(0, 0.125));
    EXPECT_TRUE(later.shouldDraw(0.5 + 0.0078125, 0.125));  // a little more than a period
    EXPECT_EQ(later.nextDue(), 0.5 + 0.0078125 + 0.25);
}

TEST(FramePacer, SameTargetKeepsTheScheduleAndANewOneClearsIt) {
    FramePacer pacer(30);
    ASSERT_TRUE(pacer.shouldDraw(0, 1.0 / 60));
    const auto due = pacer.nextDue();
    pacer.setTarget(30);
    EXPECT_EQ(pacer.nextDue(), due);
    EXPECT_FALSE(pacer.shouldDraw(1.0 / 60, 1.0 / 60));

    pacer.setTarget(15);
    EXPECT_EQ(pacer.targetFPS(), 15);
    EXPECT_EQ(pacer.nextDue(), std::nullopt);
    EXPECT_TRUE(pacer.shouldDraw(1.0 / 60, 1.0 / 60));
    EXPECT_DOUBLE_EQ(*pacer.nextDue(), 1.0 / 60 + 1.0 / 15);

    // Rates below one count as one, so asking for 0 then -5 keeps the running schedule.
    pacer.setTarget(0);
    ASSERT_TRUE(pacer.shouldDraw(10, 0.1));
    const auto oneFPSDue = pacer.nextDue();
    pacer.setTarget(-5);
    EXPECT_EQ(pacer.nextDue(), oneFPSDue);
}

TEST(FramePacer, ResetDrawsOnTheNextCallback) {
    FramePacer pacer(30);
    ASSERT_TRUE(pacer.shouldDraw(0, 1.0 / 60));
    pacer.reset();
    EXPECT_EQ(pacer.nextDue(), std::nullopt);
    EXPECT_EQ(pacer.targetFPS(), 30);
    EXPECT_TRUE(pacer.shouldDraw(1.0 / 60, 1.0 / 60));
}

TEST(FramePacer, BogusTimesDoNotCorruptTheSchedule) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    FramePacer pacer(30);
    EXPECT_FALSE(pacer.shouldDraw(nan, 1.0 / 60));
    EXPECT_FALSE(pacer.shouldDraw(inf, 1.0 / 60));
    EXPECT_EQ(pacer.nextDue(), std::nullopt);

    ASSERT_TRUE(pacer.shouldDraw(0, 1.0 / 60));
    // An unusable interval gives no early acceptance instead of drawing every callback.
    for (double interval : {nan, inf, -1.0}) {
        EXPECT_FALSE(pacer.shouldDraw(1.0 / 60, interval));
        EXPECT_FALSE(pacer.shouldDraw(1.0 / 30 - 0.001, interval));
    }
    EXPECT_TRUE(pacer.shouldDraw(1.0 / 30, nan));
    EXPECT_TRUE(std::isfinite(*pacer.nextDue()));
}

}  // namespace
}  // namespace lumen
