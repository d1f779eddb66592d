#include "support/FakeSurfaceWindow.hpp"
#include "support/HostTestScenes.hpp"
#include "support/RenderTest.hpp"

#include "render/FrameDriver.hpp"
#include "render/PerfSnapshot.hpp"
#include "render/SceneHost.hpp"
#include "render/SceneSurfaceView.hpp"

#include <date/tz.h>

#include <memory>
#include <vector>

namespace lumen::app::test {
namespace {

// A link the test ticks by hand.
class FakeLink : public FrameLink {
public:
    void setPreferredFrameRateRange(float minimum, float maximum, float preferred) override {
        this->minimum = minimum;
        this->maximum = maximum;
        this->preferred = preferred;
        ++rateChanges;
    }
    void setPaused(bool paused) override { paused_ = paused; }
    bool paused() const override { return paused_; }
    double targetTimestamp() const override { return target; }
    void invalidate() override { invalidated = true; }

    double target = 0;
    float minimum = 0, maximum = 0, preferred = 0;
    int rateChanges = 0;
    bool invalidated = false;
    SceneSurfaceView* follows = nullptr;

private:
    bool paused_ = true;
};

// GPU work that finishes when the test says so.
class FakeCompletion : public FrameCompletion {
public:
    FrameStatus status() override { return state; }
    double gpuStartTime() const override { return start; }
    double gpuEndTime() const override { return end; }

    FrameStatus state = FrameStatus::pending;
    double start = 0;
    double end = 0;
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

TEST(FrameDriverStats, BogusGPUTimesAreIgnoredAndTakingResets) {
    FrameStats stats;
    stats.addGPU(0);
    stats.addGPU(-0.1);
    stats.addGPU(FrameStats::maxFrameGPUSeconds + 1);
    stats.addGPU(0.25);
    stats.addFrame();
    stats.addStill();
    stats.addTick();
    stats.addEncode(0.5);
    EXPECT_EQ(stats.totals().gpuSeconds, 0.25);
    EXPECT_EQ(stats.autoSeconds(), 0.25);

    EXPECT_EQ(stats.takeAuto(), 0.25);
    EXPECT_EQ(stats.autoSeconds(), 0);
    EXPECT_EQ(stats.totals().gpuSeconds, 0.25);  // the totals keep theirs

    const Totals taken = stats.takeTotals();
    EXPECT_EQ(taken.frames, 1);
    EXPECT_EQ(taken.stills, 1);
    EXPECT_EQ(taken.ticks, 1);
    EXPECT_EQ(taken.encodeSeconds, 0.5);
    EXPECT_EQ(stats.totals(), Totals{});
}

TEST_F(FrameDriverTest, TwoDisplaysAt30And15ShareOneLinkAt30) {
    auto& first = addSurface(0, RenderDecision::render(30, 1));
    auto& second = addSurface(1, RenderDecision::render(15, 1));
    ASSERT_NE(driver->link(), nullptr);
    EXPECT_EQ(driver->linkSurface(), &first);
    EXPECT_FALSE(link().paused());
    EXPECT_FLOAT_EQ(link().minimum, 24);
    EXPECT_FLOAT_EQ(link().maximum, 30);
    EXPECT_FLOAT_EQ(link().preferred, 30);
    EXPECT_EQ(driver->linkFPS(), 30);

    for (int k = 0; k < 60; ++k) tickAt(100 + k / 60.0);  // one second of a 60 Hz link

    const Totals a = first.stats().totals();
    const Totals b = second.stats().totals();
    EXPECT_EQ(a.frames, 30);
    EXPECT_EQ(b.frames, 15);
    const Totals all = driver->stats.totals();
    EXPECT_EQ(all.ticks, 60);
    // Every tick that drew anything made exactly one command buffer and stepped the scene once.
    EXPECT_EQ(all.commandBuffers, 30);
    EXPECT_EQ(sceneCalls("HostTestWarm").prepareFrames, 30);
    EXPECT_EQ(sceneCalls("HostTestWarm").drawnViews.size(), 45u);
    // The command buffers' work reaches the totals: one 64 x 36 pass with one draw per view drawn.
    EXPECT_EQ(all.work.renderPasses, 45u);
    EXPECT_EQ(all.work.drawCalls, 45u);
    EXPECT_EQ(all.work.pixelsWritten, 45u * 64 * 36);
    EXPECT_EQ(all.skippedBusy, 0);
    EXPECT_EQ(windows[0]->presents, 30);
    EXPECT_EQ(windows[1]->presents, 15);
    EXPECT_NEAR(driver->tickInterval(), 1.0 / 60, 0.002);
    EXPECT_TRUE(first.hasFrame());
    ASSERT_TRUE(first.lastView().has_value());
    EXPECT_EQ(first.lastView()->width, 64);
}

TEST_F(FrameDriverTest, SkipsOnlyWithThreeCommandBuffersInFlight) {
    auto& surface = addSurface(0, RenderDecision::render(30, 1));
    FakeCompletion busy[3];
    for (auto& b : busy) driver->inFlight().pushStandIn(b, {});

    tickAt(100);
    EXPECT_EQ(driver->stats.totals().skippedBusy, 1);
    EXPECT_EQ(driver->stats.totals().commandBuffers, 0);
    EXPECT_EQ(surface.stats().totals().frames, 0);

    busy[1].state = FrameStatus::failed;  // dropped without accounting
    tickAt(100 + 1.0 / 30);
    EXPECT_EQ(driver->stats.totals().skippedBusy, 1);
    EXPECT_EQ(driver->stats.totals().commandBuffers, 1);
    EXPECT_EQ(surface.stats().totals().frames, 1);
    EXPECT_EQ(driver->stats.totals().gpuSeconds, 0);
    // The two stand-ins still pending, in order, then the real frame.
    ASSERT_EQ(driver->inFlight().size(), 3u);
    EXPECT_EQ(driver->inFlight()[0].standIn, &busy[0]);
    EXPECT_EQ(driver->inFlight()[1].standIn, &busy[2]);
    EXPECT_TRUE(driver->inFlight()[2].commandBuffer.has_value());

    tickAt(100 + 2.0 / 30);  // the real one is reaped, leaving two: draws again
    EXPECT_EQ(surface.stats().totals().frames, 2);
    EXPECT_EQ(driver->stats.totals().skippedBusy, 1);
    EXPECT_EQ(driver->stats.totals().ticks, 3);
}

TEST_F(FrameDriverTest, SplitsGPUTimeByDrawnPixels) {
    auto& hd = addSurface(0, RenderDecision::render(30, 1));
    auto& uhd = addSurface(1, RenderDecision::render(30, 1));
    FakeCompletion done;
    done.state = FrameStatus::completed;
    done.start = 50.0;
    done.end = 50.05;
    FakeCompletion pending;
    driver->inFlight().pushStandIn(done, {{&hd, 1920 * 1080}, {&uhd, 3840 * 2160}});
    driver->inFlight().pushStandIn(pending, {{&hd, 1920 * 1080}});

    driver->reapFinished();
    EXPECT_NEAR(driver->stats.totals().gpuSeconds, 0.05, 1e-9);
    EXPECT_NEAR(hd.stats().totals().gpuSeconds, 0.01, 1e-9);
    EXPECT_NEAR(uhd.stats().totals().gpuSeconds, 0.04, 1e-9);
    EXPECT_NEAR(hd.stats().autoSeconds(), 0.01, 1e-9);
    EXPECT_NEAR(uhd.stats().autoSeconds(), 0.04, 1e-9);
    ASSERT_EQ(driver->inFlight().size(), 1u);
    EXPECT_EQ(driver->inFlight()[0].standIn, &pending);

    // A software rasteriser's frame of seconds counts; a bogus GPU time is ignored as a whole.
    FakeCompletion slow, bogus;
    slow.state = bogus.state = pending.state = FrameStatus::completed;
    pending.end = -1;
    slow.end = 2.5;
    bogus.end = 3600;
    driver->inFlight().pushStandIn(slow, {{&hd, 1920 * 1080}});
    driver->inFlight().pushStandIn(bogus, {{&hd, 1920 * 1080}});
    driver->reapFinished();
    EXPECT_TRUE(driver->inFlight().empty());
    EXPECT_NEAR(hd.stats().totals().gpuSeconds, 2.51, 1e-9);
    EXPECT_NEAR(driver->stats.totals().gpuSeconds, 2.55, 1e-9);
}

TEST_F(FrameDriverTest, ASurfaceGoneBeforeAccountingStillCountsInTheSplit) {
    auto& kept = addSurface(0, RenderDecision::render(30, 1));
    addSurface(1, RenderDecision::render(30, 1));
    FakeCompletion done;
    done.state = FrameStatus::completed;
    done.end = 0.04;
    driver->inFlight().pushStandIn(done, {{&kept, 100}, {surfaces[1].get(), 300}});
    surfaces.pop_back();  // its destructor unregisters it
    EXPECT_EQ(driver->surfaces().size(), 1u);
    driver->reapFinished();
    EXPECT_NEAR(kept.stats().totals().gpuSeconds, 0.01, 1e-9);
}

TEST_F(FrameDriverTest, FirstMeasurementOnlyResetsThenEveryTwoSeconds) {
    auto& animating = addSurface(0, RenderDecision::render(30, 1));
    auto& paused = addSurface(1, RenderDecision::paused(PauseReason::covered));
    std::vector<std::pair<SceneSurfaceView*, double>> measured;
    driver->onMeasure = [&measured](SceneSurfaceView& s, double percent) { measured.emplace_back(&s, percent); };

    animating.addGPUShare(0.5);
    paused.addGPUShare(0.5);
    media = 100;
    driver->measure();
    EXPECT_EQ(driver->lastMeasure(), 100);
    EXPECT_TRUE(measured.empty());
    EXPECT_EQ(animating.stats().autoSeconds(), 0);
    EXPECT_EQ(paused.stats().autoSeconds(), 0);

    animating.addGPUShare(0.1);
    paused.addGPUShare(0.2);
    media = 101.9;
    driver->measure();
    EXPECT_TRUE(measured.empty());
    EXPECT_EQ(driver->lastMeasure(), 100);

    media = 102.5;
    driver->measure();
    ASSERT_EQ(measured.size(), 1u);
    EXPECT_EQ(measured[0].first, &animating);
    EXPECT_NEAR(measured[0].second, 0.1 / 2.5 * 100, 1e-9);
    EXPECT_EQ(paused.stats().autoSeconds(), 0);  // read and reset although not reported
    EXPECT_EQ(driver->lastMeasure(), 102.5);
}

TEST_F(FrameDriverTest, EverythingPausedWithoutStillsSleepsTheLink) {
    auto& surface = addSurface(0, RenderDecision::render(30, 1));
    tickAt(100);
    EXPECT_TRUE(host->lastStep().has_value());
    EXPECT_TRUE(driver->lastTick().has_value());

    surface.apply(RenderDecision::paused(PauseReason::user));  // has a frame: no still owed
    EXPECT_FALSE(surface.wantsStill());
    EXPECT_TRUE(link().paused());
    EXPECT_FALSE(driver->lastTick().has_value());
    EXPECT_FALSE(host->lastStep().has_value());

    surface.apply(RenderDecision::render(30, 1));
    EXPECT_FALSE(link().paused());
    EXPECT_EQ(links.size(), 1u);  // the same surface keeps the same link
}

TEST_F(FrameDriverTest, APausedSurfaceDrawsExactlyOneStillThenTheLinkSleeps) {
    auto& surface = addSurface(0, RenderDecision::paused(PauseReason::covered));
    EXPECT_EQ(driver->link(), nullptr);  // nothing to draw: no link at all

    windows[0]->setFrame({0, 0, 80, 45});  // a resize takes its frame: one still is owed
    surface.windowGeometryChanged();
    ASSERT_NE(driver->link(), nullptr);
    EXPECT_FALSE(link().paused());
    EXPECT_EQ(driver->linkFPS(), 30);

    tickAt(100);
    EXPECT_EQ(surface.stats().totals().stills, 1);
    EXPECT_EQ(surface.stats().totals().frames, 0);
    EXPECT_FALSE(surface.wantsStill());
    EXPECT_TRUE(surface.hasFrame());
    EXPECT_TRUE(link().paused());

    tickAt(100.1);  // a stray late callback draws nothing more and keeps it asleep
    EXPECT_EQ(surface.stats().totals().stills, 1);
    EXPECT_TRUE(link().paused());
    EXPECT_EQ(windows[0]->presents, 1);
}

TEST_F(FrameDriverTest, TheLinkMovesWhenTheLowestDisplaySleeps) {
    auto& second = addSurface(1, RenderDecision::render(30, 1));
    auto& first = addSurface(0, RenderDecision::render(60, 1));
    EXPECT_EQ(driver->linkSurface(), &first);
    EXPECT_EQ(link().follows, &first);
    EXPECT_EQ(driver->linkFPS(), 60);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_TRUE(links[0]->invalidated);

    first.apply(RenderDecision::paused(PauseReason::covered));
    EXPECT_EQ(driver->linkSurface(), &second);
    EXPECT_EQ(driver->linkFPS(), 30);
    EXPECT_NEAR(driver->tickInterval(), 1.0 / 30, 1e-12);
    EXPECT_FALSE(link().paused());

    windows[0]->setOnScreen(false);  // the one animating window left leaves the screen
    driver->updateLink();
    EXPECT_TRUE(link().paused());

    driver->stop();
    EXPECT_EQ(driver->link(), nullptr);
    EXPECT_EQ(driver->linkSurface(), nullptr);
}

TEST_F(FrameDriverTest, PerformanceLineHasTheExactFormat) {
    auto& shown = addSurface(1, RenderDecision::render(30, 1), {0, 0, 2560, 1440});
    auto& covered = addSurface(0, RenderDecision::paused(PauseReason::covered), {2560, 0, 1920, 1080});
    for (int i = 0; i < 300; ++i) shown.markDrawn(nullptr, false);
    shown.addGPUShare(0.5);
    shown.addGPUShare(0.5);
    for (int i = 0; i < 3; ++i) driver->stats.addCommandBuffer();
    for (int i = 0; i < 4; ++i) driver->stats.addTick();
    driver->stats.addSkippedBusy();
    driver->stats.addEncode(0.006);
    driver->stats.addSim(0.02);
    driver->stats.addGPU(0.25);
    driver->stats.addWork({.drawCalls = 20, .instances = 6200, .dispatches = 5, .threadgroups = 1000,
                           .pipelineBinds = 25, .bufferBinds = 30, .textureBinds = 35, .bytesUploaded = 204800,
                           .renderPasses = 6, .pixelsWritten = 8294400});
    driver->stats.addWork({.drawCalls = 10, .renderPasses = 3});

    PerfSnapshot snapshot(100, 5.0);
    const PerfDisplay displays[] = {{77, &shown, false}, {4294967295u, &covered, true}};
    const std::string line =
        snapshot.take(*driver, displays, "nebula", ThermalLevel::fair, 110, 5.5, 104857600, 52428800);
    EXPECT_EQ(line,
              "perf {\"seconds\":10.0,\"scene\":\"nebula\",\"cpuPctOfOneCore\":5.00,\"footprintMB\":100.0,"
              "\"heapMB\":50.0,\"gpuBusyPctAll\":2.50,\"commandBuffers\":3,\"ticks\":4,\"skippedBusy\":1,"
              "\"encodeMs\":2.000,"
              "\"simMsPerSecond\":2.0,\"thermal\":\"fair\",\"workPerSecond\":{\"drawCalls\":3.0,\"instances\":620.0,"
              "\"dispatches\":0.5,\"threadgroups\":100.0,\"pipelineBinds\":2.5,\"bufferBinds\":3.0,\"textureBinds\":3.5,"
              "\"bytesUploaded\":20480.0,\"renderPasses\":0.9,\"pixelsWritten\":829440.0},\"displays\":["
              "{\"display\":4294967295,\"px\":\"1920x1080\",\"decision\":\"" +
                  covered.decision().statusText() +
                  "\",\"covered\":true,\"fps\":0.0,\"stills\":0,\"gpuMsPerFrame\":0.00,\"gpuBusyPct\":0.00},"
                  "{\"display\":77,\"px\":\"2560x1440\",\"decision\":\"Animating at 30 fps\",\"covered\":false,"
                  "\"fps\":30.0,\"stills\":0,\"gpuMsPerFrame\":3.33,\"gpuBusyPct\":10.00}]}");

    // The counters were read and reset; the next period starts at 110.
    EXPECT_EQ(driver->stats.totals(), Totals{});
    EXPECT_EQ(shown.stats().totals(), Totals{});
    const std::string next = snapshot.take(*driver, {}, "nebula", ThermalLevel::nominal, 110, 5.5, 0, 0);
    EXPECT_EQ(next,
              "perf {\"seconds\":0.0,\"scene\":\"nebula\",\"cpuPctOfOneCore\":0.00,\"footprintMB\":0.0,"
              "\"heapMB\":0.0,\"gpuBusyPctAll\":0.00,\"commandBuffers\":0,\"ticks\":0,\"skippedBusy\":0,"
              "\"encodeMs\":0.000,"
              "\"simMsPerSecond\":0.0,\"thermal\":\"nominal\",\"workPerSecond\":{\"drawCalls\":0.0,\"instances\":0.0,"
              "\"dispatches\":0.0,\"threadgroups\":0.0,\"pipelineBinds\":0.0,\"bufferBinds\":0.0,\"textureBinds\":0.0,"
              "\"bytesUploaded\":0.0,\"renderPasses\":0.0,\"pixelsWritten\":0.0},\"displays\":[]}");
}

}  // namespace
}  // namespace lumen::app::test
