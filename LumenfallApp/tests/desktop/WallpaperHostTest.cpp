#include "DesktopRig.hpp"
#include "FakeDesktopBackend.hpp"

#include "log/EventLog.hpp"
#include "render/DisplayLink.hpp"
#include "render/PerfSnapshot.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>

using namespace lumen;
using namespace lumen::app;
using namespace lumen::app::test;
using lumen::test::waitFor;

namespace {

// The host over the fake backend: window bookkeeping, events and callbacks without a display.
class WallpaperHostTest : public FakeDesktopTest {
protected:
    void SetUp() override {
        FakeDesktopTest::SetUp();
        if (IsSkipped()) return;
        host = std::make_unique<WallpaperHost>(backend, *driver, nullptr);
        host->onChange = [this] { ++changes; };
    }

    std::unique_ptr<WallpaperHost> host;
    int changes = 0;
};

// Each step changes the screens once: one rebuild, one line per display that changed, and a window
// kept for as long as its display stays (the backend's count of windows made shows it).
TEST_F(WallpaperHostTest, EachScreenChangeIsHandledOnceAndWindowsStayWithTheirDisplay) {
    const Screen seven = testScreen(7, {0, 0, 1920, 1080}, 2.0), three = testScreen(3, {1920, 0, 1280, 1024}, 2.0);
    const Screen sevenLarger = testScreen(7, {0, 0, 2560, 1440}, 2.0), five = testScreen(5, {0, 0, 800, 600});
    const struct {
        const char* what;
        std::vector<Screen> screens;
        bool refuse;
        std::vector<std::uint32_t> order;  // the displays by window order
        int made;
        std::vector<std::string> events;
    } steps[] = {
        {"two screens", {seven, three}, false, {7, 3}, 2,
         {"display 7 added (960×540 pt, scale 2.0)", "display 3 added (640×512 pt, scale 2.0)"}},
        {"swapped, 7 larger", {three, sevenLarger}, false, {3, 7}, 2, {"display 7 resized to (0.0, 0.0, 1280.0, 720.0)"}},
        {"3 unplugged", {sevenLarger}, false, {7}, 2, {"display 3 removed"}},
        {"3 back, after a screen without an identifier", {testScreen(0, {0, 0, 10, 10}), sevenLarger, three}, false,
         {7, 3}, 3, {"display 3 added (640×512 pt, scale 2.0)"}},
        {"no window to be had", {three, five}, true, {3}, 4,
         {"display 5: the wallpaper window could not be made", "display 7 removed"}},
        {"no screens", {}, false, {}, 4, {"display 3 removed"}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        events.clear();
        changes = 0;
        backend.refuseWindows = step.refuse;
        backend.setScreens(step.screens);
        EXPECT_EQ(events, step.events);
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(backend.created, step.made);
        std::vector<std::uint32_t> order;
        for (WallpaperWindow* window : host->orderedWindows()) order.push_back(window->displayID());
        EXPECT_EQ(order, step.order);
        ASSERT_EQ(driver->surfaces().size(), step.order.size());
        // The index is the position in the screen list; the drawable is the screen's pixels.
        for (std::size_t i = 0; i < step.screens.size(); ++i) {
            if (WallpaperWindow* window = host->window(step.screens[i].id)) {
                EXPECT_EQ(window->surface().displayIndex(), static_cast<int>(i));
                EXPECT_EQ(window->surface().drawableWidth(), step.screens[i].frame.width);
                EXPECT_EQ(window->surface().window(), backend.fakeWindow(step.screens[i].id));
            }
        }
    }
}

TEST_F(WallpaperHostTest, OnlyItsOwnWindowsCoverAndUncoverADisplay) {
    setTwoScreens();
    events.clear();
    changes = 0;
    backend.setVisible(*backend.fakeWindow(3), false);
    EXPECT_FALSE(host->window(3)->visible());
    EXPECT_TRUE(host->window(7)->visible());
    backend.setVisible(*backend.fakeWindow(3), true);
    // A replaced window for the same display, or an idle window, is not the host's.
    FakeDesktopWindow stranger(testScreen(3, {1920, 0, 1280, 1024}));
    backend.setVisible(stranger, false);
    FakeDesktopWindow unknown(testScreen(99, {0, 0, 10, 10}));
    backend.setVisible(unknown, false);
    EXPECT_EQ(events, (std::vector<std::string>{"occlusion display 3: covered", "occlusion display 3: visible"}));
    EXPECT_EQ(changes, 2);
}

TEST_F(WallpaperHostTest, OnlyMainDisplayIsReadAtEachRebuildAndGoingAwayTakesAllDown) {
    bool only = true;
    host->onlyMainDisplay = [&only] { return only; };
    setTwoScreens();
    ASSERT_EQ(host->windows().size(), 1u);
    EXPECT_NE(host->window(7), nullptr);
    only = false;
    host->rebuild();
    EXPECT_EQ(host->windows().size(), 2u);

    host.reset();
    EXPECT_FALSE(backend.hasHandlers());
    EXPECT_EQ(backend.destroyed, 2);
    EXPECT_TRUE(driver->surfaces().empty());
}

// The whole wallpaper on Xvfb.
using WallpaperDesktop = DesktopTest;

long contextSwitches() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw + usage.ru_nivcsw;
}

// The performance log's line over `seconds` of drawing, as the application would write it.
std::string perfLine(WallpaperHost& host, FrameDriver& driver, const std::string& scene, double seconds) {
    driver.stats.takeTotals();
    for (auto* w : host.orderedWindows()) w->surface().takeTotals();
    PerfSnapshot perf(DisplayLink::now(), PerfSnapshot::processCPUSeconds());
    runFor(seconds);
    std::vector<PerfDisplay> displays;
    for (auto* w : host.orderedWindows()) displays.push_back({w->displayID(), &w->surface(), !w->visible()});
    const std::string line = perf.take(driver, displays, scene, ThermalLevel::nominal, DisplayLink::now(),
                                       PerfSnapshot::processCPUSeconds(), PerfSnapshot::footprintBytes());
    std::printf("%s\n", line.c_str());
    return line;
}

TEST_F(WallpaperDesktop, DeepReefFillsBothMonitors) {
    const auto& offered = SceneRegistry::offered();
    const auto reef = std::find_if(offered.begin(), offered.end(), [](const SceneInfo& s) { return s.id.text() == "deepReef"; });
    ASSERT_NE(reef, offered.end());
    std::vector<SceneSurfaceView*> surfaces = {&surface(0), &surface(1)};
    ASSERT_TRUE(sceneHost->load(*reef, surfaces, false));
    // A tick takes seconds on llvmpipe: one frame each is enough.
    decide({RenderDecision::render(30, 1), RenderDecision::render(15, 1)});
    ASSERT_TRUE(waitFor([&] { return surface(0).stats().totals().frames > 0 && surface(1).stats().totals().frames > 0; },
                        std::chrono::seconds(120)));
    decide({RenderDecision::paused(PauseReason::user), RenderDecision::paused(PauseReason::user)});
    driver->inFlight().waitUntilCompleted();
    runFor(0.2);
    const QImage shot = screenshot();
    ASSERT_FALSE(shot.isNull());
    shot.save("desktop-deepReef.png");
    for (const QRect monitor : {QRect(0, 0, 320, 240), QRect(320, 0, 320, 240)}) {
        double sum = 0, squares = 0;
        int background = 0;  // pixels still showing the window's background colour
        for (int y = monitor.top(); y <= monitor.bottom(); ++y) {
            for (int x = monitor.left(); x <= monitor.right(); ++x) {
                const QRgb p = shot.pixel(x, y);
                const double v = (qRed(p) + qGreen(p) + qBlue(p)) / 3.0;
                sum += v;
                squares += v * v;
                background += (p & 0xFFFFFF) == 0x030D17;
            }
        }
        const double n = monitor.width() * monitor.height(), mean = sum / n;
        EXPECT_EQ(background, 0) << "the scene covers the whole monitor";
        EXPECT_GT(mean, 12) << "the reef at noon is not black";
        EXPECT_LT(mean, 200);
        EXPECT_GT(std::sqrt(std::max(0.0, squares / n - mean * mean)), 4) << "the reef is not one flat colour";
    }
}

TEST_F(WallpaperDesktop, ThirtyAndFifteenFramesInOneCommandBufferPerTick) {
    decide({RenderDecision::render(30, 1), RenderDecision::render(15, 1)});
    runFor(0.5);
    const std::string line = perfLine(*wallpaper, *driver, "gradient", 4.0);
    const auto record = nlohmann::json::parse(line.substr(5));
    const auto& main = record["displays"][0];
    EXPECT_NEAR(main["fps"].get<double>(), 30, 4.5) << line;
    EXPECT_NEAR(record["displays"][1]["fps"].get<double>(), 15, 2.5) << line;
    // The other display's frames ride along in the main display's command buffers.
    EXPECT_NEAR(record["commandBuffers"].get<double>(), main["fps"].get<double>() * record["seconds"].get<double>(), 1.5);
    EXPECT_LE(record["commandBuffers"].get<long long>(), record["ticks"].get<long long>());
    EXPECT_EQ(record["skippedBusy"].get<long long>(), 0);
    EXPECT_EQ(main["decision"], "Animating at 30 fps");
}

TEST_F(WallpaperDesktop, CoveringOneMonitorCoversOnlyItsWindow) {
    std::vector<std::string> events;
    EventLog::setObserver([&](const std::string& e) { events.push_back(e); });
    int changes = 0;
    wallpaper->onChange = [&] { ++changes; };
    const auto ordered = wallpaper->orderedWindows();
    client->makeWindow({0, 0, 320, 240});
    EXPECT_TRUE(waitFor([&] { return !ordered[0]->visible(); }));
    runFor(0.3);
    EventLog::setObserver({});
    EXPECT_TRUE(ordered[1]->visible());
    EXPECT_EQ(events, std::vector<std::string>{"occlusion display " + std::to_string(ordered[0]->displayID()) + ": covered"});
    EXPECT_EQ(changes, 1);
}

TEST_F(WallpaperDesktop, NothingWakesWhileEveryDisplayIsPaused) {
    // Paused without a frame: each display is owed one still, then the link sleeps.
    ASSERT_TRUE(waitFor([&] {
        return surface(0).hasFrame() && surface(1).hasFrame() && driver->link() && driver->link()->paused();
    }));
    driver->inFlight().waitUntilCompleted();
    runFor(0.5);
    driver->stats.takeTotals();
    const double cpu0 = PerfSnapshot::processCPUSeconds();
    const long switches0 = contextSwitches();
    runFor(4.0);
    const double cpu = PerfSnapshot::processCPUSeconds() - cpu0;
    const long switches = contextSwitches() - switches0;
    std::printf("paused for 4 s: %.4f s CPU, %ld context switches\n", cpu, switches);
    RecordProperty("wakeupsPerSecond", std::to_string(static_cast<double>(switches) / 4.0));
    EXPECT_EQ(driver->stats.totals().ticks, 0);
    EXPECT_LT(cpu, 0.02);
    EXPECT_LT(switches, 10) << "the one wake-up due is the test's own timer";
}

// Added, resized and removed monitors each reach the host once; a paused display draws one still
// after a scene load, and after a resize of its own monitor only.
TEST_F(WallpaperDesktop, MonitorChangesAreEachHandledOnceWithOneStill) {
    auto stillsDone = [&] {
        return std::all_of(wallpaper->windows().begin(), wallpaper->windows().end(),
                           [](const auto& w) { return w.second->surface().hasFrame(); }) &&
               driver->link()->paused();
    };
    ASSERT_TRUE(waitFor(stillsDone));
    std::vector<std::string> events;
    EventLog::setObserver([&](const std::string& e) { events.push_back(e); });
    int changes = 0;
    wallpaper->onChange = [&] { ++changes; };
    WallpaperWindow* left = wallpaper->orderedWindows()[0];
    WallpaperWindow* right = wallpaper->orderedWindows()[1];
    const std::uint32_t rightID = right->displayID();
    const std::string leftName = "display " + std::to_string(left->displayID());
    for (auto* w : wallpaper->orderedWindows()) w->surface().takeTotals();

    std::vector<SceneSurfaceView*> surfaces = {&left->surface(), &right->surface()};
    ASSERT_TRUE(sceneHost->load(gradientInfo("other"), surfaces, false));
    ASSERT_TRUE(waitFor(stillsDone));
    runFor(0.3);
    EXPECT_EQ(left->surface().stats().totals().stills, 1);
    EXPECT_EQ(right->surface().stats().totals().stills, 1);

    ASSERT_TRUE(server->run("xrandr --setmonitor BOTTOM 640/169x240/64+0+240 none"));
    ASSERT_TRUE(waitFor([&] { return wallpaper->windows().size() == 3; }));
    runFor(0.3);
    EXPECT_GE(changes, 1);
    EXPECT_TRUE(std::any_of(events.begin(), events.end(),
                            [](const std::string& e) { return e.ends_with(" added (640×240 pt, scale 1.0)"); }));
    const int afterAdd = changes;

    ASSERT_TRUE(server->run("xrandr --delmonitor LEFT --setmonitor LEFT 300/80x200/53+0+0 screen"));
    ASSERT_TRUE(waitFor([&] { return left->window().pixelFrame().width == 300; }));
    ASSERT_TRUE(waitFor(stillsDone));
    runFor(0.3);
    EXPECT_EQ(wallpaper->orderedWindows()[0], left) << "a resized display keeps its window and surface";
    EXPECT_EQ(left->surface().drawableWidth(), 300);
    EXPECT_EQ(left->surface().stats().totals().stills, 2);
    EXPECT_EQ(right->surface().stats().totals().stills, 1);
    EXPECT_NE(std::find(events.begin(), events.end(), leftName + " resized to (0.0, 0.0, 300.0, 200.0)"),
              events.end());
    EXPECT_EQ(changes, afterAdd + 1);

    ASSERT_TRUE(server->run("xrandr --delmonitor RIGHT"));
    ASSERT_TRUE(waitFor([&] { return wallpaper->window(rightID) == nullptr; }));
    runFor(0.3);
    EventLog::setObserver({});
    EXPECT_NE(std::find(events.begin(), events.end(), "display " + std::to_string(rightID) + " removed"), events.end());
    EXPECT_EQ(changes, afterAdd + 2);
    EXPECT_EQ(driver->surfaces().size(), 2u);
}

}  // namespace
