#include "platform/OcclusionModel.hpp"

#include <gtest/gtest.h>

using lumen::app::DesktopState;
using lumen::app::PixelRect;
using lumen::app::StackedWindow;
namespace Occlusion = lumen::app::OcclusionModel;

namespace {

StackedWindow shown(PixelRect frame, bool fullscreen = false) { return {frame, true, false, fullscreen}; }
StackedWindow hidden(PixelRect frame, bool fullscreen = false) { return {frame, true, true, fullscreen}; }
StackedWindow onDesktop(std::uint32_t desktop, PixelRect frame, bool fullscreen = false, bool sticky = false)
{
    return {frame, true, false, fullscreen, desktop, sticky};
}

}  // namespace

// The right one of two 960x1080 monitors; the windows above it from the bottom up.
TEST(X11Occlusion, CoveredOnlyWhenEveryPixelIsUnderAShownWindowOrAFullscreenOne)
{
    const PixelRect monitor{960, 0, 960, 1080};
    const struct {
        const char* why;
        std::vector<StackedWindow> windows;
        bool covered;
        DesktopState desktop{};
    } rows[] = {
        {"nothing above", {}, false},
        {"exactly on it", {shown(monitor)}, true},
        {"uneven quarters and an overlap",
         {shown({960, 0, 300, 500}), shown({1260, 0, 660, 500}), shown({960, 500, 700, 580}), shown({1660, 500, 260, 580}),
          shown({1200, 400, 100, 200})},
         true},
        {"column 1259 open", {shown({960, 0, 299, 1080}), shown({1260, 0, 660, 1080})}, false},
        {"the corner pixel open", {shown({960, 0, 960, 1079}), shown({960, 1079, 959, 1})}, false},
        {"the corner pixel closed", {shown({960, 0, 960, 1079}), shown({960, 1079, 960, 1})}, true},
        {"spilling over every edge", {shown({-100, -50, 2200, 1300})}, true},
        {"halves spilling over", {shown({0, -10, 2000, 600}), shown({900, 590, 1100, 600})}, true},
        {"the other monitor only", {shown({0, 0, 960, 1080})}, false},
        {"all but the first column", {shown({961, -10, 2000, 2000})}, false},
        {"minimised", {hidden(monitor)}, false},
        {"unmapped", {StackedWindow{monitor, false, false, false}}, false},
        {"a hidden half leaves a gap", {shown({960, 0, 480, 1080}), hidden({1440, 0, 480, 1080})}, false},
        {"a small fullscreen window on it", {shown({1100, 100, 200, 200}, true)}, true},
        {"fullscreen on the other monitor", {shown({0, 0, 960, 1080}, true)}, false},
        {"minimised fullscreen", {hidden(monitor, true)}, false},
        // Window managers keep other desktops' windows mapped.
        {"fullscreen on another desktop", {onDesktop(1, monitor, true)}, false},
        {"fullscreen on the current desktop", {onDesktop(2, monitor, true)}, true, {.current = 2}},
        {"unset current desktop reads as the first", {onDesktop(0, monitor)}, true},
        {"sticky on another desktop", {onDesktop(1, monitor, false, true)}, true},
        {"on every desktop", {onDesktop(DesktopState::allDesktops, monitor)}, true, {.current = 3}},
        // A maximised window under a reserved top bar.
        {"maximised below the top bar", {shown({960, 32, 960, 1048})}, true, {.workArea = PixelRect{0, 32, 1920, 1048}}},
        {"the same without a work area", {shown({960, 32, 960, 1048})}, false},
        {"a gap below the bar", {shown({960, 40, 960, 1040})}, false, {.workArea = PixelRect{0, 32, 1920, 1048}}},
        {"another monitor's work area says nothing", {shown({960, 32, 960, 1048})}, false,
         {.workArea = PixelRect{0, 32, 960, 1048}}},
    };
    for (const auto& row : rows) EXPECT_EQ(Occlusion::covered(monitor, row.windows, row.desktop), row.covered) << row.why;

    EXPECT_FALSE(Occlusion::unionCovers({0, 0, 0, 0}, {{0, 0, 10, 10}})) << "an empty area is never covered";
    EXPECT_FALSE(Occlusion::unionCovers({0, 0, 10, 10}, {{0, 0, 0, 10}, {0, 0, 10, 0}}));
    EXPECT_TRUE(Occlusion::unionCovers({0, 0, 1, 1}, {{0, 0, 1, 1}}));
}
