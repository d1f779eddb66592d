#include "LumenKit/policy/FramePacer.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace lumen {
namespace {

TEST(FramePacer, DrawsAnEvenShareOfTheCallbacks) {
    struct Case {
        int cap;
        double hz;
        int every;
        double jitter;  // alternately early and late, without a trend
    };
    for (const Case c : {Case{30, 60, 2, 0}, Case{30, 120, 4, 0}, Case{15, 60, 4, 0}, Case{30, 60, 2, 0.001}}) {
        SCOPED_TRACE(testing::Message() << c.cap << " fps on " << c.hz << " Hz, jitter " << c.jitter);
        FramePacer pacer(c.cap);
        const double interval = 1.0 / c.hz;
        for (int i = 0; i < 60 * static_cast<int>(c.hz); ++i) {
            const double wobble = (i % 2 == 0 ? 1 : -1) * c.jitter * ((i % 3) / 2.0);
            ASSERT_EQ(pacer.shouldDraw(i * interval + wobble, interval), i % c.every == 0) << "callback " << i;
        }
    }
}

TEST(FramePacer, FirstCallDrawsAndAWaitingCallLeavesTheScheduleAlone) {
    FramePacer pacer(30);
    EXPECT_TRUE(pacer.shouldDraw(100.0, 1.0 / 60));
    EXPECT_DOUBLE_EQ(*pacer.nextDue(), 100.0 + 1.0 / 30);
    const FramePacer before = pacer;
    EXPECT_FALSE(pacer.shouldDraw(100.0 + 1.0 / 60 - 0.001, 1.0 / 60));
    EXPECT_EQ(pacer, before);
}

// Values exact in binary, so the boundaries are tested as such.
TEST(FramePacer, EarlyAndLateBoundaries) {
    FramePacer pacer(4);  // period 0.25
    ASSERT_TRUE(pacer.shouldDraw(0, 0.125));  // due at 0.25
    EXPECT_FALSE(pacer.shouldDraw(0.1875 - 0.015625, 0.125));  // due later than now + half an interval
    EXPECT_TRUE(pacer.shouldDraw(0.1875, 0.125));  // due exactly at now + half an interval
    EXPECT_EQ(pacer.nextDue(), 0.5);
    EXPECT_TRUE(pacer.shouldDraw(0.75, 0.125));  // late by exactly one period: the cadence holds
    EXPECT_EQ(pacer.nextDue(), 0.75);
    EXPECT_TRUE(pacer.shouldDraw(1.0078125, 0.125));  // a little more than a period late: re-anchored
    EXPECT_EQ(pacer.nextDue(), 1.2578125);
}

TEST(FramePacer, AStallReAnchorsWithoutABurst) {
    const double interval = 1.0 / 60;
    FramePacer pacer(30);
    ASSERT_TRUE(pacer.shouldDraw(0, interval));
    const double late = 1.0;
    EXPECT_TRUE(pacer.shouldDraw(late, interval));
    EXPECT_DOUBLE_EQ(*pacer.nextDue(), late + 1.0 / 30);
    // No catch-up: the callbacks right after the stall keep the every-second rhythm.
    for (int k = 1; k <= 6; ++k) EXPECT_EQ(pacer.shouldDraw(late + k * interval, interval), k % 2 == 0) << k;
}

TEST(FramePacer, TargetChangesAndReset) {
    FramePacer pacer(30);
    ASSERT_TRUE(pacer.shouldDraw(0, 1.0 / 60));
    const auto due = pacer.nextDue();
    pacer.setTarget(30);  // the same rate keeps the running cadence
    EXPECT_EQ(pacer.nextDue(), due);
    pacer.setTarget(15);
    EXPECT_EQ(pacer.nextDue(), std::nullopt);
    EXPECT_TRUE(pacer.shouldDraw(1.0 / 60, 1.0 / 60));
    EXPECT_DOUBLE_EQ(*pacer.nextDue(), 1.0 / 60 + 1.0 / 15);
    // Rates below one count as one, so asking for 0 then -5 keeps the running schedule.
    pacer.setTarget(0);
    EXPECT_EQ(pacer.period(), 1.0);
    ASSERT_TRUE(pacer.shouldDraw(10, 0.1));
    const auto oneFPSDue = pacer.nextDue();
    pacer.setTarget(-5);
    EXPECT_EQ(pacer.nextDue(), oneFPSDue);
    EXPECT_EQ(FramePacer(std::numeric_limits<int>::min()).targetFPS(), 1);
    pacer.reset();
    EXPECT_TRUE(pacer.shouldDraw(10.1, 0.1));
}

TEST(FramePacer, BogusTimesDoNotCorruptTheSchedule) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    FramePacer pacer(30);
    EXPECT_FALSE(pacer.shouldDraw(nan, 1.0 / 60));
    EXPECT_FALSE(pacer.shouldDraw(inf, 1.0 / 60));
    ASSERT_TRUE(pacer.shouldDraw(0, 1.0 / 60));
    // An unusable interval gives no early acceptance instead of drawing every callback.
    for (double interval : {nan, inf, -1.0}) EXPECT_FALSE(pacer.shouldDraw(1.0 / 30 - 0.001, interval)) << interval;
    EXPECT_TRUE(pacer.shouldDraw(1.0 / 30, -1.0));  // nor a late one
    EXPECT_TRUE(std::isfinite(*pacer.nextDue()));
}

}  // namespace
}  // namespace lumen
