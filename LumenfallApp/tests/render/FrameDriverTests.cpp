#include "support/FakeSurfaceWindow.hpp"
#include "support/HostTestScenes.hpp"
#include "support/RenderTest.hpp"

#include "render/FrameDriver.hpp"
#include "render/PerfSnapshot.hpp"
#include "render/SceneHost.hpp"
#include "render/SceneSurfaceView.hpp"

#include <date/tz.h>

#include <memory>
#include <tuple>
#include <vector>

namespace lumen::app::test {
namespace {

// A link the test ticks by hand.
struct FakeLink : FrameLink {
    void setPreferredFrameRateRange(float minimum, float maximum, float preferred) override {
        range = {minimum, maximum, preferred};
    }
    void setPaused(bool paused) override { asleep = paused; }
    bool paused() const override { return asleep; }
    double targetTimestamp() const override { return target; }
    void invalidate() override { invalidated = true; }

    std::tuple<float, float, float> range;
    double target = 0;
    bool asleep = true, invalidated = false;
    SceneSurfaceView* follows = nullptr;
};

// GPU work that finishes when the test says so.
struct FakeCompletion : FrameCompletion {
    explicit FakeCompletion(FrameStatus state = FrameStatus::pending, double end = 0) : state(state), end(end) {}
    FrameStatus status() override { return state; }
    double gpuStartTime() const override { return start; }
    double gpuEndTime() const override { return end; }

    FrameStatus state = FrameStatus::pending;
    double start = 0, end = 0;
};

class FrameDriverTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        if (IsSkipped()) return;
        registerHostTestScenes();
        resetSceneCalls();
        catalog.scenes = {warmInfo};
        host = std::make_unique<SceneHost>(gpu(), catalog, warmInfo, 12.0f);
        host->mediaTime = [this] { return media; };
        host->timeZone = date::locate_zone("UTC");
        ASSERT_TRUE(host->load(warmInfo, {}, false));
        driver = std::make_unique<FrameDriver>(*host);
        driver->mediaTime = [this] { return media; };
        driver->makeLink = [this](SceneSurfaceView& surface, FrameDriver::TickHandler) {
            auto link = std::make_unique<FakeLink>();
            link->follows = &surface;
            links.push_back(link.get());
            return link;
        };
    }
    void TearDown() override {
        surfaces.clear();
        driver.reset();
        host.reset();
        removeHostTestScenes();
    }

    SceneSurfaceView& addSurface(int displayIndex, RenderDecision decision, ScreenRect rect = {0, 0, 64, 36}) {
        windows.push_back(std::make_unique<FakeSurfaceWindow>(rect));
        surfaces.push_back(std::make_unique<SceneSurfaceView>());
        auto& surface = *surfaces.back();
        surface.setDisplayIndex(displayIndex);
        surface.apply(decision);
        surface.setWindow(windows.back().get());
        // As if it had drawn already (its counters back at zero): not owed a still unless a test says so.
        surface.markDrawn(nullptr, true);
        surface.takeTotals();
        driver->add(surface);
        return surface;
    }

    FakeLink& link() { return *static_cast<FakeLink*>(driver->link()); }

    // One callback at `time`; waits for the GPU so only the tests that want frames in flight have them.
    void tickAt(double time) {
        media = time;
        link().target = time;
        driver->tick(link());
        driver->inFlight().waitUntilCompleted();
    }

    const SceneInfo warmInfo = hostTestInfo("warm", "HostTestWarm");
    SceneCatalog catalog;
    double media = 100;
    std::unique_ptr<SceneHost> host;
    std::unique_ptr<FrameDriver> driver;
    std::vector<FakeLink*> links;
    std::vector<std::unique_ptr<FakeSurfaceWindow>> windows;
    std::vector<std::unique_ptr<SceneSurfaceView>> surfaces;
};

TEST_F(FrameDriverTest, TwoDisplaysAt30And15ShareOneLinkAt30) {
    auto& first = addSurface(0, RenderDecision::render(30, 1));
    auto& second = addSurface(1, RenderDecision::render(15, 1));
    EXPECT_EQ(link().follows, &first);
    EXPECT_FALSE(link().paused());
    EXPECT_EQ(link().range, std::tuple(24.0f, 30.0f, 30.0f));

    for (int k = 0; k < 60; ++k) tickAt(100 + k / 60.0);  // one second of a 60 Hz link
    EXPECT_EQ(first.stats().totals().frames, 30);
    EXPECT_EQ(second.stats().totals().frames, 15);
    EXPECT_EQ(windows[1]->presents, 15);
    // Every tick that drew anything made exactly one command buffer and stepped the scene once,
    // and its work reached the totals: one 64 x 36 pass with one draw per view drawn.
    const Totals all = driver->stats.totals();
    EXPECT_EQ(all.ticks, 60);
    EXPECT_EQ(all.commandBuffers, 30);
    EXPECT_EQ(sceneCalls("HostTestWarm").prepareFrames, 30);
    EXPECT_EQ(sceneCalls("HostTestWarm").drawnViews.size(), 45u);
    EXPECT_EQ(all.work.drawCalls, 45u);
    EXPECT_EQ(all.work.pixelsWritten, 45u * 64 * 36);
    EXPECT_NEAR(driver->tickInterval(), 1.0 / 60, 0.002);
    EXPECT_EQ(first.lastView()->width, 64);
}

// Never more than three frames queued on the GPU: a fourth tick waits instead of piling up work.
TEST_F(FrameDriverTest, SkipsOnlyWithThreeCommandBuffersInFlight) {
    auto& surface = addSurface(0, RenderDecision::render(30, 1));
    auto counts = [&] {  // skipped, command buffers, frames
        const Totals t = driver->stats.totals();
        return std::tuple(t.skippedBusy, t.commandBuffers, surface.stats().totals().frames);
    };
    FakeCompletion busy[3];
    for (auto& b : busy) driver->inFlight().pushStandIn(b, {});
    tickAt(100);
    EXPECT_EQ(counts(), std::tuple(1, 0, 0));

    busy[1].state = FrameStatus::failed;  // dropped without accounting
    tickAt(100 + 1.0 / 30);
    EXPECT_EQ(counts(), std::tuple(1, 1, 1));
    EXPECT_EQ(driver->stats.totals().gpuSeconds, 0);
    // The two stand-ins still pending, in order, then the real frame.
    ASSERT_EQ(driver->inFlight().size(), 3u);
    EXPECT_EQ(driver->inFlight()[0].standIn, &busy[0]);
    EXPECT_EQ(driver->inFlight()[1].standIn, &busy[2]);
    EXPECT_TRUE(driver->inFlight()[2].commandBuffer.has_value());

    tickAt(100 + 2.0 / 30);  // the real one is reaped, leaving two: draws again
    EXPECT_EQ(counts(), std::tuple(1, 2, 2));
}

// A frame's GPU time is shared by its displays in proportion to the pixels drawn; a bogus time
// (negative, or longer than any real frame) is ignored as a whole.
TEST_F(FrameDriverTest, SplitsGPUTimeByDrawnPixels) {
    auto& hd = addSurface(0, RenderDecision::render(30, 1));
    auto& uhd = addSurface(1, RenderDecision::render(30, 1));
    FakeCompletion done(FrameStatus::completed, 0.05), pending;
    driver->inFlight().pushStandIn(done, {{&hd, 1920 * 1080}, {&uhd, 3840 * 2160}});
    driver->inFlight().pushStandIn(pending, {{&hd, 1920 * 1080}});
    driver->reapFinished();
    EXPECT_NEAR(driver->stats.totals().gpuSeconds, 0.05, 1e-9);
    EXPECT_NEAR(hd.stats().totals().gpuSeconds, 0.01, 1e-9);
    EXPECT_NEAR(uhd.stats().autoSeconds(), 0.04, 1e-9);
    ASSERT_EQ(driver->inFlight().size(), 1u);  // the pending one waits

    // A software rasteriser's frame of seconds counts.
    FakeCompletion slow(FrameStatus::completed, 2.5), bogus(FrameStatus::completed, 3600);
    pending.state = FrameStatus::completed;
    pending.end = -1;
    driver->inFlight().pushStandIn(slow, {{&hd, 1920 * 1080}});
    driver->inFlight().pushStandIn(bogus, {{&hd, 1}, {&uhd, 299}});  // a share of 12 s would look real
    driver->reapFinished();
    EXPECT_TRUE(driver->inFlight().empty());
    EXPECT_NEAR(hd.stats().totals().gpuSeconds, 2.51, 1e-9);
    EXPECT_NEAR(driver->stats.totals().gpuSeconds, 2.55, 1e-9);

    // A display gone before its frame is accounted still takes its share.
    done.end = 0.04;
    driver->inFlight().pushStandIn(done, {{&hd, 100}, {&uhd, 300}});
    surfaces.pop_back();  // its destructor unregisters it
    EXPECT_EQ(driver->surfaces().size(), 1u);
    driver->reapFinished();
    EXPECT_NEAR(hd.stats().totals().gpuSeconds, 2.52, 1e-9);
}

// Where timestamps miss the work (a software rasteriser draws inside the swap), the time the main
// thread waits in present counts as the frame's GPU time; elsewhere the timestamps alone count.
TEST_F(FrameDriverTest, WaitingInPresentCountsWhereTimestampsMissTheWork) {
    auto& surface = addSurface(0, RenderDecision::render(30, 1));
    windows.back()->onPresent = [this] { media += 0.25; };
    for (const bool measured : {false, true}) {
        SCOPED_TRACE(measured);
        driver->gpuTimesMeasureWork = measured;
        surface.takeTotals();
        tickAt(media + 1);
        driver->reapFinished();
        const double seconds = surface.stats().totals().gpuSeconds;
        if (measured) {
            EXPECT_LT(seconds, 0.25);
        } else {
            EXPECT_NEAR(seconds, 0.25, 1e-9);
        }
    }
}

TEST_F(FrameDriverTest, FirstMeasurementOnlyResetsThenEveryTwoSeconds) {
    auto& animating = addSurface(0, RenderDecision::render(30, 1));
    auto& paused = addSurface(1, RenderDecision::paused(PauseReason::covered));
    std::vector<std::pair<SceneSurfaceView*, double>> measured;
    driver->onMeasure = [&measured](SceneSurfaceView& s, double percent) { measured.emplace_back(&s, percent); };

    animating.addGPUShare(0.5);
    paused.addGPUShare(0.5);
    media = 100;
    driver->measure();  // the first only starts the period
    EXPECT_EQ(animating.stats().autoSeconds(), 0);
    animating.addGPUShare(0.1);
    paused.addGPUShare(0.2);
    media = 101.9;
    driver->measure();
    EXPECT_TRUE(measured.empty());
    media = 102.5;
    driver->measure();
    ASSERT_EQ(measured.size(), 1u);
    EXPECT_EQ(measured[0].first, &animating);
    EXPECT_NEAR(measured[0].second, 0.1 / 2.5 * 100, 1e-9);
    EXPECT_EQ(paused.stats().autoSeconds(), 0);  // read and reset although not reported
}

// An idle wallpaper costs no wake-ups: the link runs only to animate or to draw an owed still.
TEST_F(FrameDriverTest, TheLinkSleepsUnlessAnimatingOrOwedAStill) {
    auto& surface = addSurface(0, RenderDecision::paused(PauseReason::covered));
    EXPECT_EQ(driver->link(), nullptr);

    windows[0]->setFrame({0, 0, 80, 45});  // a resize takes its frame: one still is owed
    surface.windowGeometryChanged();
    ASSERT_NE(driver->link(), nullptr);
    EXPECT_FALSE(link().paused());
    EXPECT_EQ(driver->linkFPS(), 30);
    tickAt(100);
    EXPECT_EQ(surface.stats().totals().stills, 1);
    EXPECT_TRUE(link().paused());
    tickAt(100.1);  // a stray late callback draws nothing more
    EXPECT_EQ(windows[0]->presents, 1);

    surface.apply(RenderDecision::render(30, 1));
    EXPECT_FALSE(link().paused());
    EXPECT_EQ(links.size(), 1u);  // the same surface keeps its link
    tickAt(101);
    ASSERT_TRUE(host->lastStep().has_value());
    surface.apply(RenderDecision::paused(PauseReason::user));  // it has a frame: no still owed
    EXPECT_TRUE(link().paused());
    EXPECT_FALSE(driver->lastTick().has_value());
    EXPECT_FALSE(host->lastStep().has_value());  // the first step after resuming must not span the pause
}

// The link follows the animating display with the lowest index, at the highest rate asked for.
TEST_F(FrameDriverTest, TheLinkMovesWhenTheLowestDisplaySleeps) {
    auto& second = addSurface(1, RenderDecision::render(30, 1));
    auto& first = addSurface(0, RenderDecision::render(60, 1));
    EXPECT_EQ(link().follows, &first);
    EXPECT_EQ(driver->linkFPS(), 60);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_TRUE(links[0]->invalidated);

    first.apply(RenderDecision::paused(PauseReason::covered));
    EXPECT_EQ(driver->linkSurface(), &second);
    EXPECT_NEAR(driver->tickInterval(), 1.0 / 30, 1e-12);
    EXPECT_FALSE(link().paused());
    windows[0]->setOnScreen(false);  // the one animating window left leaves the screen
    driver->updateLink();
    EXPECT_TRUE(link().paused());
    driver->stop();
    EXPECT_EQ(driver->link(), nullptr);
}

// The perf log line is read by scripts: its fields, order and precision are fixed.
TEST_F(FrameDriverTest, PerformanceLineHasTheExactFormat) {
    auto& shown = addSurface(1, RenderDecision::render(30, 1), {0, 0, 2560, 1440});
    for (int i = 0; i < 300; ++i) shown.markDrawn(nullptr, false);
    shown.addGPUShare(1.0);
    driver->stats.addCommandBuffer();
    driver->stats.addTick();
    driver->stats.addSkippedBusy();
    driver->stats.addEncode(0.006);
    driver->stats.addSim(0.02);
    driver->stats.addGPU(0.25);
    driver->stats.addWork({.drawCalls = 20, .instances = 6200, .dispatches = 5, .threadgroups = 1000,
                           .pipelineBinds = 25, .bufferBinds = 30, .textureBinds = 35, .bytesUploaded = 204800,
                           .renderPasses = 9, .pixelsWritten = 8294400});
    PerfSnapshot snapshot(100, 5.0);
    const PerfDisplay displays[] = {{4294967295u, &shown, true}};
    EXPECT_EQ(snapshot.take(*driver, displays, "nebula", ThermalLevel::fair, 110, 5.5, 104857600, 52428800),
              "perf {\"seconds\":10.0,\"scene\":\"nebula\",\"cpuPctOfOneCore\":5.00,\"footprintMB\":100.0,"
              "\"heapMB\":50.0,\"gpuBusyPctAll\":2.50,\"commandBuffers\":1,\"ticks\":1,\"skippedBusy\":1,\"encodeMs\":6.000,"
              "\"simMsPerSecond\":2.0,\"thermal\":\"fair\",\"workPerSecond\":{\"drawCalls\":2.0,\"instances\":620.0,"
              "\"dispatches\":0.5,\"threadgroups\":100.0,\"pipelineBinds\":2.5,\"bufferBinds\":3.0,"
              "\"textureBinds\":3.5,"
              "\"bytesUploaded\":20480.0,\"renderPasses\":0.9,\"pixelsWritten\":829440.0},\"displays\":["
              "{\"display\":4294967295,\"px\":\"2560x1440\",\"decision\":\"Animating at 30 fps\",\"covered\":true,"
              "\"fps\":30.0,\"stills\":0,\"gpuMsPerFrame\":3.33,\"gpuBusyPct\":10.00}]}");
    // The counters were read and reset for the next period.
    EXPECT_EQ(driver->stats.totals(), Totals{});
    EXPECT_EQ(shown.stats().totals(), Totals{});
}

}  // namespace
}  // namespace lumen::app::test
