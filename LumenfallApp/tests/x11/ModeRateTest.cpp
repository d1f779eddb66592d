#include "platform/x11/X11Monitors.hpp"

#include <gtest/gtest.h>

using lumen::app::X11Monitors::modeRate;

TEST(X11ModeRate, DotClockOverTheTotals)
{
    struct Row {
        std::uint32_t clock;
        std::uint16_t htotal, vtotal;
        std::uint32_t flags;
        double hertz;
    };
    const Row rows[] = {
        {148500000, 2200, 1125, 0, 60.0},  // 1920x1080, CEA timing
        {586580000, 2720, 1498, 0, 143.96},
        {148500000, 2200, 1125, XCB_RANDR_MODE_FLAG_DOUBLE_SCAN, 30.0},
        {74250000, 2200, 1125, XCB_RANDR_MODE_FLAG_INTERLACE, 60.0},
        {0, 0, 0, 0, 0.0},  // unknown totals: no rate, not a division by zero
        {148500000, 0, 1125, 0, 0.0},
    };
    for (const Row& row : rows) {
        xcb_randr_mode_info_t mode{};
        mode.dot_clock = row.clock;
        mode.htotal = row.htotal;
        mode.vtotal = row.vtotal;
        mode.mode_flags = row.flags;
        EXPECT_NEAR(modeRate(mode), row.hertz, 0.01) << row.clock << " / " << row.htotal << "x" << row.vtotal
                                                     << ", flags " << row.flags;
    }
}
