#include "desktop/DesktopSession.hpp"
#include "platform/wayland/SurfaceVisibility.hpp"
#include "platform/wayland/WaylandIdleMonitor.hpp"
#include "platform/wayland/WaylandOutput.hpp"
#include "platform/wayland/WaylandProtocols.hpp"
#include "platform/wayland/WaylandToplevels.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace lumen::app {
namespace {

// Events in order: 'r' frame requested, 'd' done, 'e' silence checked just before the deadline,
// 's' at it, 'c' toplevel list says covered, 'u' it says uncovered.
TEST(SurfaceVisibility, FollowsFrameCallbacksOverTheToplevelList)
{
    const std::vector<std::tuple<const char*, bool, const char*>> cases{
        {"", true, "nothing said: visible"},
        {"re", true, "a pending callback is not silence before the deadline"},
        {"rs", false, "no answer in time: covered"},
        {"rsd", true, "the late answer: seen again"},
        {"c", false, "a fullscreen window on the output"},
        {"rcd", false, "an answer to a request from before the window proves nothing"},
        {"rcdrd", true, "a request made while covered was answered: a hidden workspace"},
        {"crdu", true, "uncovered"},
        {"crduc", false, "covered again needs new proof"},
        {"crsu", false, "uncovered, still silent until a frame comes"},
        {"crsud", true, "the frame came"},
        {"rdrsrd", true, "a second request while one is pending is the same request"},
    };
    for (const auto& [events, visible, why] : cases) {
        SurfaceVisibility v;
        for (const char* e = events; *e != '\0'; ++e) {
            if (*e == 'r') v.frameRequested(100);
            if (*e == 'd') v.frameDone();
            if (*e == 'e') {
                EXPECT_FALSE(v.checkSilence(v.silenceDeadline() - 0.01)) << events;
                EXPECT_NEAR(v.secondsUntilSilent(v.silenceDeadline() - 0.01), 0.01, 1e-9) << "look again";
            }
            if (*e == 's') {
                v.checkSilence(v.silenceDeadline());
                EXPECT_LT(v.secondsUntilSilent(v.silenceDeadline()), 0) << "silent: nothing left to wait for";
            }
            if (*e == 'c' || *e == 'u') v.setToplevelCovered(*e == 'c');
        }
        EXPECT_EQ(v.visible(), visible) << events << ": " << why;
    }
}

TEST(WaylandToplevels, HidesTheDesktopWhenFullscreenOrMaximisedAndShown)
{
    const std::uint32_t max = ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MAXIMIZED,
                        min = ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED,
                        act = ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED,
                        full = ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_FULLSCREEN;
    const std::vector<std::pair<std::vector<std::uint32_t>, bool>> cases{
        {{}, false}, {{act}, false}, {{act, full}, true}, {{max}, true}, {{max, min}, false}, {{99, full}, true}};
    for (const auto& [states, hides] : cases) {
        WaylandToplevels::Toplevel t{.minimized = true};  // every state is read afresh
        WaylandToplevels::readState(t, states.data(), states.size());
        EXPECT_EQ(WaylandToplevels::hidesDesktop(t), hides) << states.size();
        EXPECT_EQ(t.activated, std::find(states.begin(), states.end(), act) != states.end()) << states.size();
    }
}

TEST(WaylandOutput, ScreensUseTheLogicalGeometryInPixelsOfTheirScale)
{
    const std::vector<std::tuple<WaylandOutput::State, PixelRect, std::string, double>> cases{
        {{.connector = "DP-1", .x = 5, .modeWidth = 2560, .modeHeight = 1440, .refreshMilliHz = 59951, .scale = 2,
          .logical = true, .logicalX = 1280, .logicalWidth = 1280, .logicalHeight = 720},
         {2560, 0, 2560, 1440}, "DP-1", 59.951},
        {{.make = "Acme", .model = "View", .x = 100, .modeWidth = 800, .modeHeight = 600}, {100, 0, 800, 600},
         "Acme View", 0},
        {{.description = "Virtual", .modeWidth = 640, .modeHeight = 480, .scale = 0}, {0, 0, 640, 480}, "Virtual", 0},
    };
    for (const auto& [state, frame, name, refresh] : cases) {
        const Screen screen = WaylandOutput::toScreen(state, 7, true);
        EXPECT_EQ(screen.frame, frame) << name;
        EXPECT_EQ(screen.name, name);
        EXPECT_DOUBLE_EQ(screen.refreshRate, refresh) << name;
        EXPECT_GE(screen.scale, 1.0) << name;
    }
}

TEST(WaylandIdleMonitor, CountsFromTheLastInputTheCompositorImplies)
{
    EXPECT_FALSE(WaylandIdleMonitor(nullptr, nullptr, nullptr).idleSeconds(0)) << "no idle protocol: unknown";
    const double t = WaylandIdleMonitor::threshold;
    // idle, since (idled: when input ended; resumed: when it resumed), now, seconds
    const std::vector<std::tuple<bool, double, double, double>> cases{
        {true, 50 - t, 50, t}, {true, 50 - t, 80, t + 30}, {false, 50, 50.5, 0.5}, {false, 50, 500, t}, {false, 50, 49, 0}};
    for (const auto& [idle, since, at, seconds] : cases) {
        EXPECT_DOUBLE_EQ(WaylandIdleMonitor::estimate(idle, since, at), seconds) << idle << " " << at;
    }
}

TEST(DesktopSession, TheLaunchSwitchNamesABackend)
{
    const std::vector<std::pair<std::string, std::optional<DesktopKind>>> cases{
        {"", DesktopKind::automatic}, {"wayland", DesktopKind::wayland}, {"x11", DesktopKind::x11}, {"Wayland", {}}};
    for (const auto& [text, kind] : cases) EXPECT_EQ(parseDesktopKind(text), kind) << text;
}

}  // namespace
}  // namespace lumen::app
