#include "platform/OcclusionModel.hpp"

#include <gtest/gtest.h>

using lumen::app::PixelRect;
using lumen::app::StackedWindow;
namespace Occlusion = lumen::app::OcclusionModel;

namespace {

const PixelRect monitor{960, 0, 960, 1080};

StackedWindow shown(PixelRect frame) { return StackedWindow{frame, true, false, false}; }

}  // namespace

TEST(OcclusionModel, NothingAboveLeavesTheMonitorVisible)
{
    EXPECT_FALSE(Occlusion::covered(monitor, {}));
}

TEST(OcclusionModel, OneWindowExactlyOnTheMonitorCoversIt)
{
    EXPECT_TRUE(Occlusion::covered(monitor, {shown(monitor)}));
}

TEST(OcclusionModel, SeveralWindowsTilingTheMonitorExactlyCoverIt)
{
    // Four quarters with uneven splits, plus an overlapping one.
    const std::vector<StackedWindow> windows{
        shown({960, 0, 300, 500}), shown({1260, 0, 660, 500}), shown({960, 500, 700, 580}),
        shown({1660, 500, 260, 580}), shown({1200, 400, 100, 200})};
    EXPECT_TRUE(Occlusion::covered(monitor, windows));
}

TEST(OcclusionModel, AOnePixelGapLeavesItVisible)
{
    // Column 1259 is not covered by anyone.
    const std::vector<StackedWindow> columnGap{shown({960, 0, 299, 1080}), shown({1260, 0, 660, 1080})};
    EXPECT_FALSE(Occlusion::covered(monitor, columnGap));
    // Nor is the single pixel at (1919, 1079).
    const std::vector<StackedWindow> cornerGap{shown({960, 0, 960, 1079}), shown({960, 1079, 959, 1})};
    EXPECT_FALSE(Occlusion::covered(monitor, cornerGap));
    const std::vector<StackedWindow> closed{shown({960, 0, 960, 1079}), shown({960, 1079, 960, 1})};
    EXPECT_TRUE(Occlusion::covered(monitor, closed));
}

TEST(OcclusionModel, WindowsSpillingOverTheEdgesCountOnlyForTheirPartOnTheMonitor)
{
    // Spanning both monitors and beyond the screen.
    EXPECT_TRUE(Occlusion::covered(monitor, {shown({-100, -50, 2200, 1300})}));
    const std::vector<StackedWindow> halves{shown({0, -10, 2000, 600}), shown({900, 590, 1100, 600})};
    EXPECT_TRUE(Occlusion::covered(monitor, halves));
    // Covering the other monitor entirely says nothing about this one.
    EXPECT_FALSE(Occlusion::covered(monitor, {shown({0, 0, 960, 1080})}));
    // Overlapping by all but one column.
    EXPECT_FALSE(Occlusion::covered(monitor, {shown({961, -10, 2000, 2000})}));
}

TEST(OcclusionModel, HiddenAndUnmappedWindowsCoverNothing)
{
    StackedWindow hidden = shown(monitor);
    hidden.hidden = true;
    StackedWindow unmapped = shown(monitor);
    unmapped.mapped = false;
    EXPECT_FALSE(Occlusion::covered(monitor, {hidden}));
    EXPECT_FALSE(Occlusion::covered(monitor, {unmapped}));
    // A hidden window does not close the gap the shown ones leave.
    EXPECT_FALSE(Occlusion::covered(monitor, {shown({960, 0, 480, 1080}), StackedWindow{{1440, 0, 480, 1080}, true, true, false}}));
}

TEST(OcclusionModel, AFullscreenWindowOnTheMonitorCoversIt)
{
    StackedWindow fullscreen{{960, 0, 960, 1080}, true, false, true};
    EXPECT_TRUE(Occlusion::covered(monitor, {fullscreen}));
    // Fullscreen on the other monitor only.
    fullscreen.frame = {0, 0, 960, 1080};
    EXPECT_FALSE(Occlusion::covered(monitor, {fullscreen}));
    // Minimised fullscreen windows do not count.
    fullscreen.frame = monitor;
    fullscreen.hidden = true;
    EXPECT_FALSE(Occlusion::covered(monitor, {fullscreen}));
}

TEST(OcclusionModel, EmptyRectanglesNeverCover)
{
    EXPECT_FALSE(Occlusion::unionCovers({0, 0, 0, 0}, {{0, 0, 10, 10}}));
    EXPECT_FALSE(Occlusion::unionCovers({0, 0, 10, 10}, {{0, 0, 0, 10}, {0, 0, 10, 0}}));
    EXPECT_TRUE(Occlusion::unionCovers({0, 0, 1, 1}, {{0, 0, 1, 1}}));
}
