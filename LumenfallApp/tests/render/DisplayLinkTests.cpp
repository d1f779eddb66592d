#include "render/DisplayLink.hpp"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

namespace lumen::app::test {
namespace {

// A real timerfd under a real event loop; counts are only checked roughly, as a busy machine
// delays and merges expiries.
class DisplayLinkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "DisplayLinkTest";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    }
};

void runFor(int milliseconds) {
    QTimer::singleShot(milliseconds, QCoreApplication::instance(), [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
}

// The preferred rate, capped by the display's; a late wake-up skips whole periods rather than
// shifting the cadence.
TEST_F(DisplayLinkTest, TicksInWholePeriodsAtTheRequestedRateCappedByTheDisplay) {
    std::vector<double> targets;
    DisplayLink link([&targets](FrameLink& l) { targets.push_back(l.targetTimestamp()); }, 50);
    link.setPreferredFrameRateRange(96, 120, 120);
    EXPECT_DOUBLE_EQ(link.rate(), 50);
    link.setPreferredFrameRateRange(24, 30, 30);
    EXPECT_DOUBLE_EQ(link.rate(), 30);
    EXPECT_TRUE(link.paused());
    link.setPaused(false);
    const double start = DisplayLink::now();
    runFor(1000);
    ASSERT_GE(targets.size(), 10u);
    EXPECT_LE(targets.size(), 32u);
    EXPECT_GT(targets.front(), start);
    for (std::size_t i = 1; i < targets.size(); ++i) {
        const double step = targets[i] - targets[i - 1];
        EXPECT_GT(step, 0);
        EXPECT_NEAR(step * 30, std::round(step * 30), 1e-6);
    }
    link.setRefreshRate(0);  // unknown: 60
    link.setPreferredFrameRateRange(96, 120, 120);
    EXPECT_DOUBLE_EQ(link.rate(), 60);
}

TEST_F(DisplayLinkTest, PausedOrInvalidatedMeansNoWakeUps) {
    int ticks = 0;
    DisplayLink paused([&ticks](FrameLink&) { ++ticks; }, 60);
    paused.setPreferredFrameRateRange(48, 60, 60);
    paused.setPaused(false);
    paused.setPaused(true);
    // Invalidating from its own callback stops a link for good.
    DisplayLink once(
        [&ticks](FrameLink& l) {
            ++ticks;
            l.invalidate();
        },
        60);
    once.setPreferredFrameRateRange(48, 60, 60);
    once.setPaused(false);
    runFor(300);
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(once.valid());
    once.setPaused(false);
    runFor(100);
    EXPECT_EQ(ticks, 1);
}

}  // namespace
}  // namespace lumen::app::test
