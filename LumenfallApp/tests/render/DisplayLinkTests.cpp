#include "render/DisplayLink.hpp"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace lumen::app::test {
namespace {

// A real timerfd under a real event loop; counts are only checked roughly, as a busy machine
// delays and merges expiries.
class DisplayLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QCoreApplication::instance()) app = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { app.reset(); }

    static void runFor(int milliseconds) {
        QTimer::singleShot(milliseconds, QCoreApplication::instance(), [] { QCoreApplication::quit(); });
        QCoreApplication::exec();
    }

    int argc = 1;
    char name[16] = "DisplayLinkTest";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
};

TEST_F(DisplayLinkTest, TicksAtTheRequestedRate) {
    std::vector<double> targets;
    DisplayLink link([&targets](FrameLink& l) { targets.push_back(l.targetTimestamp()); }, 60);
    link.setPreferredFrameRateRange(24, 30, 30);
    EXPECT_DOUBLE_EQ(link.rate(), 30);
    EXPECT_TRUE(link.paused());
    link.setPaused(false);
    const double start = DisplayLink::now();
    runFor(1000);

    EXPECT_GE(targets.size(), 10u);
    EXPECT_LE(targets.size(), 32u);
    for (std::size_t i = 1; i < targets.size(); ++i) {
        const double step = targets[i] - targets[i - 1];
        EXPECT_GT(step, 0);
        // Whole periods only: a late wake-up skips periods, never shifts the cadence.
        EXPECT_NEAR(step * 30, std::round(step * 30), 1e-6);
    }
    ASSERT_FALSE(targets.empty());
    EXPECT_GT(targets.front(), start);
}

TEST_F(DisplayLinkTest, PausedMeansNoWakeUps) {
    int ticks = 0;
    DisplayLink link([&ticks](FrameLink&) { ++ticks; }, 60);
    link.setPreferredFrameRateRange(48, 60, 60);
    runFor(500);  // never unpaused
    EXPECT_EQ(ticks, 0);

    link.setPaused(false);
    link.setPaused(true);
    runFor(500);
    EXPECT_EQ(ticks, 0);
}

TEST_F(DisplayLinkTest, RateIsCappedByTheDisplay) {
    int ticks = 0;
    DisplayLink link([&ticks](FrameLink&) { ++ticks; }, 20);
    link.setPreferredFrameRateRange(96, 120, 120);
    EXPECT_DOUBLE_EQ(link.rate(), 20);
    link.setPaused(false);
    runFor(500);
    EXPECT_LE(ticks, 11);
    EXPECT_GE(ticks, 2);

    link.setRefreshRate(0);  // unknown: 60
    EXPECT_DOUBLE_EQ(link.rate(), 60);
}

TEST_F(DisplayLinkTest, InvalidatingFromItsOwnCallbackStopsIt) {
    int ticks = 0;
    auto link = std::make_unique<DisplayLink>(
        [&ticks](FrameLink& l) {
            ++ticks;
            l.invalidate();
        },
        60);
    link->setPreferredFrameRateRange(48, 60, 60);
    link->setPaused(false);
    runFor(300);
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(link->valid());
    EXPECT_TRUE(link->paused());
    link->setPaused(false);  // an invalidated link stays silent
    runFor(100);
    EXPECT_EQ(ticks, 1);
}

}  // namespace
}  // namespace lumen::app::test
