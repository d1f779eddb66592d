#include "platform/x11/X11Monitors.hpp"

#include <gtest/gtest.h>

TEST(X11ModeRate, DotClockOverTheTotals)
{
    // dot clock, htotal, vtotal, flags, Hz; unknown totals give no rate rather than a division by zero.
    const std::tuple<std::uint32_t, std::uint16_t, std::uint16_t, std::uint32_t, double> rows[] = {
        {148500000, 2200, 1125, 0, 60.0},
        {148500000, 2200, 1125, XCB_RANDR_MODE_FLAG_DOUBLE_SCAN, 30.0},
        {74250000, 2200, 1125, XCB_RANDR_MODE_FLAG_INTERLACE, 60.0},
        {148500000, 0, 1125, 0, 0.0},
    };
    for (const auto& [clock, htotal, vtotal, flags, hertz] : rows) {
        xcb_randr_mode_info_t mode{};
        mode.dot_clock = clock;
        mode.htotal = htotal;
        mode.vtotal = vtotal;
        mode.mode_flags = flags;
        EXPECT_NEAR(lumen::app::X11Monitors::modeRate(mode), hertz, 0.01) << clock << " " << htotal << "x" << vtotal;
    }
}
