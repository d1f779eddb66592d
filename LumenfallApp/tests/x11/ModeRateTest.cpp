#include "platform/x11/X11Monitors.hpp"

#include <gtest/gtest.h>

using lumen::app::X11Monitors::modeRate;

namespace {

xcb_randr_mode_info_t mode(std::uint32_t clock, std::uint16_t htotal, std::uint16_t vtotal, std::uint32_t flags = 0)
{
    xcb_randr_mode_info_t m{};
    m.dot_clock = clock;
    m.htotal = htotal;
    m.vtotal = vtotal;
    m.mode_flags = flags;
    return m;
}

}  // namespace

TEST(ModeRate, DotClockOverTotals)
{
    // 1920x1080 at 60 Hz (CEA timing) and 2560x1440 at 143.9 Hz.
    EXPECT_DOUBLE_EQ(modeRate(mode(148500000, 2200, 1125)), 60.0);
    EXPECT_NEAR(modeRate(mode(586580000, 2720, 1498)), 143.96, 0.01);
}

TEST(ModeRate, DoubleScanHalvesAndInterlaceDoubles)
{
    EXPECT_DOUBLE_EQ(modeRate(mode(148500000, 2200, 1125, XCB_RANDR_MODE_FLAG_DOUBLE_SCAN)), 30.0);
    EXPECT_DOUBLE_EQ(modeRate(mode(74250000, 2200, 1125, XCB_RANDR_MODE_FLAG_INTERLACE)), 60.0);
}

TEST(ModeRate, UnknownTotalsGiveZero)
{
    EXPECT_EQ(modeRate(mode(0, 0, 0)), 0.0);
    EXPECT_EQ(modeRate(mode(148500000, 0, 1125)), 0.0);
}
