#include "DesktopRig.hpp"

#include "render/DisplayLink.hpp"
#include "render/PerfSnapshot.hpp"

#include <nlohmann/json.hpp>
#include <sys/resource.h>

using namespace lumen;
using namespace lumen::app;
using lumen::test::waitFor;

namespace {

// The whole wallpaper on Xvfb.
using WallpaperHostTest = lumen::app::test::DesktopTest;
using lumen::app::test::runFor;

TEST_F(WallpaperHostTest, ThirtyAndFifteenFramesInOneCommandBufferPerTick) {
    surface(0).apply(RenderDecision::render(30, 1));
    surface(1).apply(RenderDecision::render(15, 1));
    runFor(0.5);
    driver->stats.takeTotals();
    for (auto* w : wallpaper->orderedWindows()) w->surface().takeTotals();
    PerfSnapshot perf(DisplayLink::now(), PerfSnapshot::processCPUSeconds());
    runFor(4.0);
    std::vector<PerfDisplay> displays;
    for (auto* w : wallpaper->orderedWindows()) displays.push_back({w->displayID(), &w->surface(), !w->visible()});
    const std::string line = perf.take(*driver, displays, "gradient", ThermalLevel::nominal, DisplayLink::now(),
                                       PerfSnapshot::processCPUSeconds(), PerfSnapshot::footprintBytes(),
                                       PerfSnapshot::heapBytes());
    RecordProperty("perf", line);
    const auto record = nlohmann::json::parse(line.substr(5));
    const auto& main = record["displays"][0];
    EXPECT_NEAR(main["fps"].get<double>(), 30, 4.5) << line;
    EXPECT_NEAR(record["displays"][1]["fps"].get<double>(), 15, 2.5) << line;
    // The other display's frames ride along in the main display's command buffers: separate ones
    // would add 60 in these 4 s. A frame or two may still be in flight at either end of the window.
    const double seconds = record["seconds"].get<double>();
    EXPECT_NEAR(record["commandBuffers"].get<double>(), main["fps"].get<double>() * seconds, 3.0);
    EXPECT_LE(record["commandBuffers"].get<long long>(), record["ticks"].get<long long>());
    EXPECT_EQ(record["skippedBusy"].get<long long>(), 0);
}

// Other windows cover the monitor they fill and only that one, as the window manager stacks,
// minimises, resizes and makes them fullscreen; each change is reported once.
TEST_F(WallpaperHostTest, OtherWindowsCoverOnlyTheMonitorTheyFill) {
    const auto ordered = wallpaper->orderedWindows();
    auto covered = [&](std::size_t i) { return !ordered[i]->visible(); };
    auto xdotool = [&](const std::string& command, xcb_window_t w, const std::string& rest = "") {
        return server->run("xdotool " + command + " " + std::to_string(w) + rest);
    };
    const xcb_window_t app = client->makeWindow({0, 0, 320, 240});
    ASSERT_TRUE(waitFor([&] { return covered(0); }));
    runFor(0.3);
    EXPECT_FALSE(covered(1));
    EXPECT_EQ(events, std::vector<std::string>{"occlusion display " + std::to_string(ordered[0]->displayID()) + ": covered"});
    EXPECT_EQ(changes, 1);

    ASSERT_TRUE(xdotool("windowminimize", app));
    EXPECT_TRUE(waitFor([&] { return !covered(0); }));
    ASSERT_TRUE(xdotool("windowmap", app));
    EXPECT_TRUE(waitFor([&] { return covered(0); }));
    ASSERT_TRUE(xdotool("windowsize", app, " 319 240"));
    EXPECT_TRUE(waitFor([&] { return !covered(0); })) << "one column short";
    const xcb_window_t other = client->makeWindow({300, 0, 20, 240});
    EXPECT_TRUE(waitFor([&] { return covered(0); })) << "two windows together";
    xcb_destroy_window(client->connection(), app);
    xcb_destroy_window(client->connection(), other);
    const xcb_window_t small = client->makeWindow({400, 50, 50, 50});
    EXPECT_TRUE(waitFor([&] { return !covered(0); }));
    EXPECT_FALSE(covered(1));
    client->requestFullscreen(small);
    EXPECT_TRUE(waitFor([&] { return covered(1); }));
    EXPECT_FALSE(covered(0));

    // On another desktop the fullscreen window covers nothing; back on its own, it covers again.
    ASSERT_TRUE(server->run("xdotool set_desktop 1"));
    EXPECT_TRUE(waitFor([&] { return !covered(1); }));
    ASSERT_TRUE(server->run("xdotool set_desktop 0"));
    EXPECT_TRUE(waitFor([&] { return covered(1); }));
    xcb_destroy_window(client->connection(), small);

    // A panel reserves the top 20 rows: a window filling the rest covers, as a maximised one does.
    const xcb_window_t panel = client->makeTopPanel({0, 0, 10, 20}, 20);
    const xcb_window_t below = client->makeWindow({0, 20, 320, 220});
    EXPECT_TRUE(waitFor([&] { return covered(0); }));
    xcb_destroy_window(client->connection(), panel);
    xcb_flush(client->connection());
    EXPECT_TRUE(waitFor([&] { return !covered(0); })) << "the rows are the wallpaper's again";
    xcb_destroy_window(client->connection(), below);
}

long contextSwitches() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw + usage.ru_nivcsw;
}

TEST_F(WallpaperHostTest, NothingWakesWhileEveryDisplayIsPaused) {
    // Paused without a frame: each display is owed one still, then the link sleeps.
    ASSERT_TRUE(waitFor([&] { return stillsDone(); }));
    driver->inFlight().waitUntilCompleted();
    runFor(0.5);
    driver->stats.takeTotals();
    const double cpu0 = PerfSnapshot::processCPUSeconds();
    const long switches0 = contextSwitches();
    runFor(4.0);
    const double cpu = PerfSnapshot::processCPUSeconds() - cpu0;
    const long switches = contextSwitches() - switches0;
    RecordProperty("wakeupsPerSecond", std::to_string(static_cast<double>(switches) / 4.0));
    EXPECT_EQ(driver->stats.totals().ticks, 0);
    EXPECT_LT(cpu, 0.02);
    EXPECT_LT(switches, 10) << "the one wake-up due is the test's own timer";

    // The stills fill each monitor, upright: the gradient's top (orange) at the top.
    const QImage shot = screenshot();
    ASSERT_FALSE(shot.isNull());
    int background = 0;  // pixels still showing the windows' background colour
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 640; ++x) background += (shot.pixel(x, y) & 0xFFFFFF) == 0x030D17;
    }
    EXPECT_EQ(background, 0);
    for (const int x : {0, 319, 320, 639}) EXPECT_GT(qRed(shot.pixel(x, 0)), qRed(shot.pixel(x, 239)) + 100) << x;
}

// Added, resized and removed monitors each reach the host once; a paused display draws one still
// after a scene load, and after a resize of its own monitor only.
TEST_F(WallpaperHostTest, MonitorChangesAreEachHandledOnceWithOneStill) {
    ASSERT_TRUE(waitFor([&] { return stillsDone(); }));
    WallpaperWindow* left = wallpaper->orderedWindows()[0];
    WallpaperWindow* right = wallpaper->orderedWindows()[1];
    const std::uint32_t rightID = right->displayID();
    for (auto* w : {left, right}) w->surface().takeTotals();
    std::vector<SceneSurfaceView*> surfaces = {&left->surface(), &right->surface()};
    ASSERT_TRUE(sceneHost->load(lumen::app::test::gradientInfo("other"), surfaces, false));
    ASSERT_TRUE(waitFor([&] { return stillsDone(); }));
    runFor(0.3);
    EXPECT_EQ(left->surface().stats().totals().stills, 1);
    EXPECT_EQ(right->surface().stats().totals().stills, 1);

    ASSERT_TRUE(server->run("xrandr --setmonitor BOTTOM 640/169x240/64+0+240 none"));
    ASSERT_TRUE(waitFor([&] { return wallpaper->windows().size() == 3; }));
    runFor(0.3);
    EXPECT_GE(changes, 1);
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](auto& e) { return e.ends_with("added (640×240 pt, scale 1.0)"); }));
    const int afterAdd = changes;

    ASSERT_TRUE(server->run("xrandr --delmonitor LEFT --setmonitor LEFT 300/80x200/53+0+0 screen"));
    ASSERT_TRUE(waitFor([&] { return left->window().pixelFrame().width == 300 && stillsDone(); }));
    runFor(0.3);
    EXPECT_EQ(wallpaper->orderedWindows()[0], left) << "a resized display keeps its window and surface";
    EXPECT_EQ(left->surface().drawableWidth(), 300);
    EXPECT_EQ(left->surface().stats().totals().stills, 2);
    EXPECT_EQ(right->surface().stats().totals().stills, 1);
    EXPECT_TRUE(saw("display " + std::to_string(left->displayID()) + " resized to (0.0, 0.0, 300.0, 200.0)"));
    EXPECT_EQ(changes, afterAdd + 1);

    ASSERT_TRUE(server->run("xrandr --delmonitor RIGHT"));
    ASSERT_TRUE(waitFor([&] { return wallpaper->window(rightID) == nullptr; }));
    runFor(0.3);
    EXPECT_TRUE(saw("display " + std::to_string(rightID) + " removed"));
    EXPECT_EQ(changes, afterAdd + 2);
    EXPECT_EQ(driver->surfaces().size(), 2u);
}

}  // namespace
