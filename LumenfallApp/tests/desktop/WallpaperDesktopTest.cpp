#include "DesktopRig.hpp"

#include "support/XServer.hpp"

#include "log/EventLog.hpp"
#include "render/DisplayLink.hpp"
#include "render/PerfSnapshot.hpp"

#include "LumenKit/catalog/SceneCatalog.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>

using namespace lumen;
using namespace lumen::app;
using lumen::app::test::DesktopRig;
using lumen::app::test::runFor;
using lumen::app::test::twoMonitors;
using lumen::test::waitFor;

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Voluntary plus involuntary context switches of every thread: each wake-up costs at least one.
long contextSwitches() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw + usage.ru_nivcsw;
}

struct Look {
    double mean = 0;      // mean of R, G, B over the area, 0..255
    double spread = 0;    // standard deviation of the per-pixel brightness
    int background = 0;   // pixels still showing the window's background colour
};

Look look(const QImage& image, QRect area) {
    Look result;
    double sum = 0, squares = 0;
    const double n = static_cast<double>(area.width()) * area.height();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            const double v = (qRed(p) + qGreen(p) + qBlue(p)) / 3.0;
            sum += v;
            squares += v * v;
            if ((p & 0xFFFFFF) == 0x030D17) ++result.background;
        }
    }
    result.mean = sum / n;
    result.spread = std::sqrt(std::max(0.0, squares / n - result.mean * result.mean));
    return result;
}

std::vector<PerfDisplay> perfDisplays(WallpaperHost& host) {
    std::vector<PerfDisplay> displays;
    for (auto* window : host.orderedWindows()) displays.push_back({window->displayID(), &window->surface(), !window->visible()});
    return displays;
}

// The event log's lines while a test runs.
class EventRecorder {
public:
    EventRecorder() { EventLog::setObserver([this](const std::string& e) { events.push_back(e); }); }
    ~EventRecorder() { EventLog::setObserver({}); }
    bool saw(const std::string& event) const { return std::find(events.begin(), events.end(), event) != events.end(); }
    std::vector<std::string> events;
};

std::unique_ptr<DesktopRig> startRig(const SceneInfo& scene, bool windowManager, std::string& reason,
                                     const std::string& size = "640x240",
                                     const std::vector<std::string>& monitors = twoMonitors) {
    return DesktopRig::start(size, monitors, scene, windowManager, reason);
}

#define START_RIG(rig, ...)                            \
    std::string reason;                                \
    auto rig = startRig(__VA_ARGS__, reason);          \
    if (!rig) GTEST_SKIP() << reason;

TEST(WallpaperDesktop, DeepReefFillsBothMonitors) {
    const auto& offered = SceneRegistry::offered();
    const auto reef = std::find_if(offered.begin(), offered.end(), [](const SceneInfo& s) { return s.id.text() == "deepReef"; });
    ASSERT_NE(reef, offered.end());
    std::string reason;
    auto rig = startRig(*reef, false, reason, "1280x400",
                        {"LEFT 640/169x400/106+0+0 screen", "RIGHT 640/169x400/106+640+0 none"});
    if (!rig) GTEST_SKIP() << reason;
    rig->wallpaper->rebuild();
    ASSERT_EQ(rig->wallpaper->windows().size(), 2u);
    const auto ordered = rig->wallpaper->orderedWindows();
    EXPECT_EQ(rig->client->geometry(rig->backend->windowId(ordered[0]->displayID())), (PixelRect{0, 0, 640, 400}));
    EXPECT_EQ(rig->client->geometry(rig->backend->windowId(ordered[1]->displayID())), (PixelRect{640, 0, 640, 400}));

    rig->decide({RenderDecision::render(30, 1), RenderDecision::render(15, 1)});
    ASSERT_TRUE(waitFor([&] { return rig->surface(1).stats().totals().frames >= 2; }, std::chrono::seconds(120)));
    // Two seconds of steady drawing for the driver's cost per tick.
    rig->driver->stats.takeTotals();
    PerfSnapshot perf(DisplayLink::now(), cpuSeconds());
    runFor(2.0);
    const auto displays = perfDisplays(*rig->wallpaper);
    const std::string line = perf.take(*rig->driver, displays, "deepReef", ThermalLevel::nominal, DisplayLink::now(),
                                       cpuSeconds(), PerfSnapshot::footprintBytes(), PerfSnapshot::heapBytes());
    RecordProperty("perf", line);
    std::printf("%s\n", line.c_str());

    rig->decide({RenderDecision::paused(PauseReason::user), RenderDecision::paused(PauseReason::user)});
    rig->driver->inFlight().waitUntilCompleted();
    runFor(0.2);
    const QImage shot = rig->screenshot();
    ASSERT_FALSE(shot.isNull());
    shot.save("desktop-deepReef.png");
    for (const QRect half : {QRect(0, 0, 640, 400), QRect(640, 0, 640, 400)}) {
        const Look l = look(shot, half);
        EXPECT_EQ(l.background, 0) << "the scene covers the whole monitor";
        EXPECT_GT(l.mean, 12) << "the reef at noon is not black";
        EXPECT_LT(l.mean, 200);
        EXPECT_GT(l.spread, 4) << "the reef is not one flat colour";
    }
}

TEST(WallpaperDesktop, ThirtyAndFifteenFramesInOneCommandBufferPerTick) {
    START_RIG(rig, lumen::app::test::gradientInfo(), false)
    rig->wallpaper->rebuild();
    rig->decide({RenderDecision::render(30, 1), RenderDecision::render(15, 1)});
    runFor(0.5);

    rig->driver->stats.takeTotals();
    for (auto* w : rig->wallpaper->orderedWindows()) w->surface().takeTotals();
    PerfSnapshot perf(DisplayLink::now(), cpuSeconds());
    runFor(4.0);
    const auto displays = perfDisplays(*rig->wallpaper);
    const std::string line = perf.take(*rig->driver, displays, "gradient", ThermalLevel::nominal, DisplayLink::now(),
                                       cpuSeconds(), PerfSnapshot::footprintBytes(), PerfSnapshot::heapBytes());
    std::printf("%s\n", line.c_str());
    const auto record = nlohmann::json::parse(line.substr(5));
    const auto& main = record["displays"][0];
    const auto& other = record["displays"][1];
    EXPECT_NEAR(main["fps"].get<double>(), 30, 4.5) << line;
    EXPECT_NEAR(other["fps"].get<double>(), 15, 2.5) << line;
    // The other display's frames ride along in the main display's command buffers.
    const double seconds = record["seconds"].get<double>();
    EXPECT_NEAR(record["commandBuffers"].get<double>(), main["fps"].get<double>() * seconds, 1.5) << line;
    EXPECT_LE(record["commandBuffers"].get<long long>(), record["ticks"].get<long long>());
    EXPECT_EQ(record["skippedBusy"].get<long long>(), 0) << line;
    EXPECT_EQ(main["decision"], "Animating at 30 fps");
}

TEST(WallpaperDesktop, CoveringOneMonitorCoversOnlyItsWindow) {
    START_RIG(rig, lumen::app::test::gradientInfo(), true)
    EventRecorder recorder;
    int changes = 0;
    rig->wallpaper->onChange = [&] { ++changes; };
    rig->wallpaper->rebuild();
    const auto ordered = rig->wallpaper->orderedWindows();
    ASSERT_EQ(ordered.size(), 2u);
    changes = 0;

    rig->client->makeWindow({0, 0, 320, 240});
    ASSERT_TRUE(waitFor([&] { return !ordered[0]->visible(); }));
    runFor(0.3);
    EXPECT_TRUE(ordered[1]->visible());
    EXPECT_TRUE(recorder.saw("occlusion display " + std::to_string(ordered[0]->displayID()) + ": covered"));
    EXPECT_FALSE(recorder.saw("occlusion display " + std::to_string(ordered[1]->displayID()) + ": covered"));
    EXPECT_EQ(changes, 1);
}

TEST(WallpaperDesktop, NothingWakesWhileEveryDisplayIsPaused) {
    START_RIG(rig, lumen::app::test::gradientInfo(), false)
    rig->wallpaper->rebuild();
    // Paused without a frame: each display is owed one still, then the link sleeps.
    ASSERT_TRUE(waitFor([&] {
        return rig->surface(0).hasFrame() && rig->surface(1).hasFrame() && rig->driver->link() &&
               rig->driver->link()->paused();
    }));
    rig->driver->inFlight().waitUntilCompleted();
    runFor(0.5);

    rig->driver->stats.takeTotals();
    const double cpu0 = cpuSeconds();
    const long switches0 = contextSwitches();
    runFor(10.0);
    const double cpu = cpuSeconds() - cpu0;
    const long switches = contextSwitches() - switches0;
    std::printf("paused for 10 s: %.4f s CPU, %ld context switches\n", cpu, switches);
    RecordProperty("wakeupsPerSecond", std::to_string(static_cast<double>(switches) / 10.0));
    EXPECT_EQ(rig->driver->stats.totals().ticks, 0);
    EXPECT_LT(cpu, 0.05);
}

TEST(WallpaperDesktop, APausedDisplayDrawsOneStillAfterALoadOrAResize) {
    START_RIG(rig, lumen::app::test::gradientInfo(), false)
    rig->wallpaper->rebuild();
    auto stillsDone = [&] {
        return rig->surface(0).hasFrame() && rig->surface(1).hasFrame() && rig->driver->link()->paused();
    };
    ASSERT_TRUE(waitFor(stillsDone));
    for (auto* w : rig->wallpaper->orderedWindows()) w->surface().takeTotals();

    // A scene load drops every frame: one still each, then sleep again.
    std::vector<SceneSurfaceView*> surfaces = {&rig->surface(0), &rig->surface(1)};
    ASSERT_TRUE(rig->sceneHost->load(lumen::app::test::gradientInfo("other"), surfaces, false));
    ASSERT_TRUE(waitFor(stillsDone));
    runFor(0.3);
    EXPECT_EQ(rig->surface(0).stats().totals().stills, 1);
    EXPECT_EQ(rig->surface(1).stats().totals().stills, 1);
    EXPECT_TRUE(rig->driver->link()->paused());

    // A resize of one monitor: one still for that display only.
    const std::uint32_t leftID = rig->wallpaper->orderedWindows()[0]->displayID();
    SceneSurfaceView* left = &rig->surface(0);
    ASSERT_TRUE(rig->server->run("xrandr --delmonitor LEFT --setmonitor LEFT 300/80x200/53+0+0 screen"));
    ASSERT_TRUE(waitFor([&] { return rig->wallpaper->window(leftID)->window().pixelFrame().width == 300; }));
    ASSERT_TRUE(waitFor(stillsDone));
    runFor(0.3);
    EXPECT_EQ(&rig->wallpaper->window(leftID)->surface(), left);
    EXPECT_EQ(left->stats().totals().stills, 2);
    EXPECT_EQ(rig->surface(1).stats().totals().stills, 1);
    EXPECT_EQ(left->drawableWidth(), 300);
}

TEST(WallpaperDesktop, MonitorsAddedResizedAndRemoved) {
    std::string reason;
    auto rig = startRig(lumen::app::test::gradientInfo(), false, reason, "640x480");
    if (!rig) GTEST_SKIP() << reason;
    EventRecorder recorder;
    int changes = 0;
    rig->wallpaper->onChange = [&] { ++changes; };
    rig->wallpaper->rebuild();
    ASSERT_EQ(rig->wallpaper->windows().size(), 2u);
    const std::uint32_t rightID = rig->wallpaper->orderedWindows()[1]->displayID();
    WallpaperWindow* right = rig->wallpaper->window(rightID);
    recorder.events.clear();
    changes = 0;

    // A third monitor appears below the two.
    ASSERT_TRUE(rig->server->run("xrandr --setmonitor BOTTOM 640/169x240/64+0+240 none"));
    ASSERT_TRUE(waitFor([&] { return rig->wallpaper->windows().size() == 3; }));
    runFor(0.3);
    const int afterAdd = changes;
    EXPECT_GE(afterAdd, 1);
    const auto added = std::find_if(recorder.events.begin(), recorder.events.end(),
                                    [](const std::string& e) { return e.find(" added (640×240 pt, scale 1.0)") != std::string::npos; });
    EXPECT_NE(added, recorder.events.end());

    ASSERT_TRUE(rig->server->run("xrandr --delmonitor RIGHT --setmonitor RIGHT 320/85x200/53+320+0 none"));
    ASSERT_TRUE(waitFor([&] { return right->window().pixelFrame().height == 200; }));
    runFor(0.3);
    EXPECT_EQ(rig->wallpaper->window(rightID), right) << "a resized display keeps its window and surface";
    EXPECT_TRUE(recorder.saw("display " + std::to_string(rightID) + " resized to (320.0, 0.0, 320.0, 200.0)"));
    EXPECT_EQ(changes, afterAdd + 1);

    ASSERT_TRUE(rig->server->run("xrandr --delmonitor RIGHT"));
    ASSERT_TRUE(waitFor([&] { return rig->wallpaper->window(rightID) == nullptr; }));
    runFor(0.3);
    EXPECT_TRUE(recorder.saw("display " + std::to_string(rightID) + " removed"));
    EXPECT_EQ(changes, afterAdd + 2);
    EXPECT_EQ(rig->driver->surfaces().size(), 2u);
}

}  // namespace
