#include "desktop/DesktopSession.hpp"
#include "platform/wayland/SurfaceVisibility.hpp"
#include "platform/wayland/WaylandIdleMonitor.hpp"
#include "platform/wayland/WaylandOutput.hpp"
#include "platform/wayland/WaylandProtocols.hpp"
#include "platform/wayland/WaylandToplevels.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumen::app {
namespace {

// Events in order: 'r' frame requested, 'd' done, 's' silence checked after the deadline,
// 'c' toplevel list says covered, 'u' it says uncovered.
struct VisibilityCase {
    const char* events;
    bool visible;
    const char* why;
};

TEST(SurfaceVisibility, FollowsFrameCallbacksOverTheToplevelList)
{
    const std::vector<VisibilityCase> cases{
        {"", true, "nothing said: visible"},
        {"r", true, "a pending callback is not silence yet"},
        {"rs", false, "no answer in time: covered"},
        {"rsd", true, "the late answer: seen again"},
        {"rd", true, "answered"},
        {"c", false, "a fullscreen window on the output"},
        {"rc", false, "a request from before the window proves nothing"},
        {"rcd", false, "nor does its answer"},
        {"rcdrd", true, "a request made while covered was answered: a hidden workspace"},
        {"crd", true, "the same, probed at once"},
        {"crdu", true, "uncovered"},
        {"crduc", false, "covered again needs new proof"},
        {"crs", false, "covered and silent"},
        {"crsu", false, "uncovered, still silent until a frame comes"},
        {"crsud", true, "the frame came"},
        {"rdrsrd", true, "a second request while one is pending is the same request"},
    };
    for (const auto& c : cases) {
        SurfaceVisibility v;
        double now = 100;
        for (const char* e = c.events; *e != '\0'; ++e) {
            switch (*e) {
            case 'r': v.frameRequested(now); break;
            case 'd': v.frameDone(); break;
            case 's':
                now = v.silenceDeadline();
                v.checkSilence(now);
                break;
            case 'c': v.setToplevelCovered(true); break;
            case 'u': v.setToplevelCovered(false); break;
            }
            now += 0.1;
        }
        EXPECT_EQ(v.visible(), c.visible) << c.events << ": " << c.why;
    }
}

TEST(SurfaceVisibility, SilenceCountsOnlyAfterTheDeadline)
{
    SurfaceVisibility v;
    v.frameRequested(10);
    EXPECT_FALSE(v.checkSilence(10 + SurfaceVisibility::silenceSeconds - 0.01));
    EXPECT_TRUE(v.visible());
    EXPECT_TRUE(v.checkSilence(10 + SurfaceVisibility::silenceSeconds));
    EXPECT_FALSE(v.checkSilence(20)) << "already silent: no second change";
}

TEST(WaylandToplevels, HidesTheDesktopWhenFullscreenOrMaximisedAndShown)
{
    using S = std::vector<std::uint32_t>;
    const std::uint32_t max = ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MAXIMIZED,
                        min = ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED,
                        act = ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED,
                        full = ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_FULLSCREEN;
    const std::vector<std::pair<S, bool>> cases{
        {{}, false},          {{act}, false},           {{full}, true},      {{act, full}, true},
        {{max}, true},        {{max, min}, false},      {{full, min}, false}, {{99, full}, true},
    };
    for (const auto& [states, hides] : cases) {
        WaylandToplevels::Toplevel t;
        t.minimized = true;  // every state is read afresh
        WaylandToplevels::readState(t, states.data(), states.size());
        EXPECT_EQ(WaylandToplevels::hidesDesktop(t), hides) << states.size();
    }
}

TEST(WaylandOutput, ScreensUseTheLogicalGeometryInPixelsOfTheirScale)
{
    struct Case {
        WaylandOutput::State state;
        PixelRect frame;
        std::string name;
        double refresh;
    };
    WaylandOutput::State logical{.connector = "DP-1", .x = 5, .y = 5, .modeWidth = 2560, .modeHeight = 1440,
                                 .refreshMilliHz = 59951, .scale = 2, .logical = true, .logicalX = 1280,
                                 .logicalWidth = 1280, .logicalHeight = 720};
    WaylandOutput::State bare{.make = "Acme", .model = "View", .x = 100, .modeWidth = 800, .modeHeight = 600};
    WaylandOutput::State described{.description = "Virtual", .modeWidth = 640, .modeHeight = 480, .scale = 0};
    const std::vector<Case> cases{
        {logical, {2560, 0, 2560, 1440}, "DP-1", 59.951},
        {bare, {100, 0, 800, 600}, "Acme View", 0},
        {described, {0, 0, 640, 480}, "Virtual", 0},
    };
    for (const auto& c : cases) {
        const Screen screen = WaylandOutput::toScreen(c.state, 7, true);
        EXPECT_EQ(screen.frame, c.frame) << c.name;
        EXPECT_EQ(screen.name, c.name);
        EXPECT_DOUBLE_EQ(screen.refreshRate, c.refresh) << c.name;
        EXPECT_GE(screen.scale, 1.0);
        EXPECT_EQ(screen.id, 7u);
    }
}

TEST(WaylandIdleMonitor, CountsFromTheLastInputTheCompositorImplies)
{
    WaylandIdleMonitor none(nullptr, nullptr, nullptr);
    EXPECT_FALSE(none.idleSeconds(0)) << "no idle protocol: the compositor cannot tell";
    struct Case {
        bool idle;
        double since, at, seconds;
    };
    const double t = WaylandIdleMonitor::threshold;
    const std::vector<Case> cases{
        {true, 50 - t, 50, t},       // said idle at 50: the input ended a threshold before
        {true, 50 - t, 80, t + 30},  // and it keeps counting
        {false, 50, 50.5, 0.5},      // input resumed half a second ago
        {false, 50, 500, t},         // below the threshold all the while (no idle event since)
        {false, 50, 49, 0},          // a clock read before the event
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(WaylandIdleMonitor::estimate(c.idle, c.since, c.at), c.seconds) << c.idle << " " << c.at;
    }
}

TEST(DesktopSession, TheLaunchSwitchNamesABackend)
{
    const std::vector<std::pair<std::string, std::optional<DesktopKind>>> cases{
        {"", DesktopKind::automatic}, {"wayland", DesktopKind::wayland}, {"x11", DesktopKind::x11},
        {"Wayland", std::nullopt},    {"xwayland", std::nullopt},
    };
    for (const auto& [text, kind] : cases) EXPECT_EQ(parseDesktopKind(text), kind) << text;
}

}  // namespace
}  // namespace lumen::app
