#include "support/HostTestScenes.hpp"
#include "support/RenderTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "render/SceneHost.hpp"
#include "render/SceneSurfaceView.hpp"
#include "scenekit/SceneClasses.hpp"

#include "LumenKit/sky/SkyClock.hpp"

#include <date/tz.h>

#include <chrono>
#include <tuple>
#include <vector>

namespace lumen::app::test {
namespace {

using namespace std::chrono_literals;

class SceneHostTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        if (IsSkipped()) return;
        registerHostTestScenes();
        resetSceneCalls();
        catalog.scenes = {warmInfo, coolInfo, msaaInfo, splitInfo, throwsInfo, brokenInfo};
        utc = date::locate_zone("UTC");
    }
    void TearDown() override { removeHostTestScenes(); }

    std::unique_ptr<SceneHost> makeHost(std::optional<float> previewHour = std::nullopt) {
        auto host = std::make_unique<SceneHost>(gpu(), catalog, warmInfo, previewHour);
        host->mediaTime = [this] { return media; };
        host->wallTime = [this] { return wall; };
        host->timeZone = utc;
        return host;
    }

    // On screen, animating, and showing a frame the live scene drew (no view known unless `drawn`).
    static void showing(SceneSurfaceView& surface, int width, int height, bool drawn = true) {
        surface.setDetachedState(true, width, height);
        surface.apply(RenderDecision::render(30, 1));
        SceneView view;
        view.id = surface.id();
        view.width = width;
        view.height = height;
        surface.markDrawn(drawn ? &view : nullptr, false);
    }

    SkyState skyAt(std::chrono::system_clock::time_point date, const std::optional<Place>& place = std::nullopt,
                   std::optional<double> hour = std::nullopt) const {
        return hour ? SkyClock::state(date, *hour, place, utc) : SkyClock::state(date, place, utc);
    }

    std::vector<std::string> failures() const {
        std::vector<std::string> found;
        for (const auto& event : log.events) {
            if (event.find(" failed: ") != std::string::npos) found.push_back(event);
        }
        return found;
    }

    const SceneInfo warmInfo = hostTestInfo("warm", "HostTestWarm");
    const SceneInfo coolInfo = hostTestInfo("cool", "HostTestCool");
    const SceneInfo msaaInfo = hostTestInfo("msaa", "HostTestMsaa");
    const SceneInfo splitInfo = hostTestInfo("split", "HostTestSplit");
    const SceneInfo throwsInfo = hostTestInfo("throws", "HostTestThrows");
    const SceneInfo brokenInfo = hostTestInfo("broken", "HostTestBroken");
    SceneCatalog catalog;
    EventCapture log;
    double media = 50;
    std::chrono::system_clock::time_point wall = date::sys_days{date::year{2024} / 3 / 20} + 9h;
    const date::time_zone* utc = nullptr;
};

// Whatever breaks a scene, the wallpaper keeps a picture: the catalog's first entry (Deep Reef in
// the shipped catalog) takes over, and the failure is reported with its cause.
TEST_F(SceneHostTest, FailingSceneFallsBackToTheFirstEntry) {
    const std::pair<SceneInfo, std::string> cases[] = {
        {throwsInfo, "scene throws failed: HostBroken didn't compile: "},
        {brokenInfo, "scene broken failed: broken on purpose"},
        {hostTestInfo("ghost", "NoSuchScene"), "scene ghost failed: no scene class NoSuchScene"},
    };
    for (const auto& [info, failure] : cases) {
        SCOPED_TRACE(info.id.text());
        auto host = makeHost();
        ASSERT_TRUE(host->load(msaaInfo, {}, false));
        log.events.clear();
        resetSceneCalls();
        SceneSurfaceView surface;
        SceneSurfaceView* surfaces[] = {&surface};
        EXPECT_FALSE(host->load(info, surfaces, false));
        ASSERT_NE(host->scene(), nullptr);
        EXPECT_EQ(host->info(), warmInfo);
        EXPECT_EQ(host->sampleCount(), 1);  // the fallback's class, not the one before
        EXPECT_EQ(sceneCalls("HostTestMsaa").releasedViews, std::vector<ViewID>{surface.id()});
        ASSERT_EQ(failures().size(), 1u);
        EXPECT_EQ(failures()[0].rfind(failure, 0), 0u) << failures()[0];
    }

    // When the fallback fails too, both are reported and the surface shows the background rather
    // than the last frame of a scene that is gone; the fallback itself is not tried twice.
    catalog.scenes = {throwsInfo, warmInfo};
    auto host = makeHost();
    ASSERT_TRUE(host->load(warmInfo, {}, false));
    SceneSurfaceView surface;
    showing(surface, 32, 32);
    SceneSurfaceView* surfaces[] = {&surface};
    log.events.clear();
    EXPECT_FALSE(host->load(brokenInfo, surfaces, true));
    EXPECT_EQ(host->scene(), nullptr);
    EXPECT_EQ(host->info(), brokenInfo) << "the menu names what was asked for, not the scene that is gone";
    EXPECT_EQ(failures().size(), 2u);
    EXPECT_FALSE(surface.hasFrame() || surface.fadeSnapshot() || host->fadeStart());
    EXPECT_FALSE(host->load(throwsInfo, {}, false));
    EXPECT_EQ(failures().size(), 3u);
}

// A new scene starts every surface afresh; only a paused one on screen and wider than a pixel
// owes a still. Loading the live entry again changes nothing.
TEST_F(SceneHostTest, LoadResetsSurfacesUnlessTheEntryIsLive) {
    auto host = makeHost();
    ASSERT_TRUE(host->load(warmInfo, {}, false));
    SceneSurfaceView paused, tiny, detached, rendering;
    paused.setDetachedState(true, 64, 48);
    tiny.setDetachedState(true, 1, 48);
    detached.setDetachedState(false, 64, 48);
    rendering.setDetachedState(true, 64, 48);
    rendering.apply(RenderDecision::render(30, 1));
    int linkChanges = 0;
    for (auto* surface : {&paused, &tiny, &detached, &rendering}) {
        surface->markDrawn(nullptr, surface->decision().isPaused());
        surface->onLinkChange = [&linkChanges] { ++linkChanges; };
    }
    const auto drawable = renderTarget(64, 48);
    ASSERT_NE(rendering.renderPass(drawable, 1, dev()), nullptr);
    SceneSurfaceView* surfaces[] = {&paused, &tiny, &detached, &rendering};

    auto* live = host->scene();
    EXPECT_TRUE(host->load(warmInfo, surfaces, true));
    EXPECT_EQ(host->scene(), live);
    EXPECT_TRUE(rendering.hasFrame() && rendering.cachedPass());
    EXPECT_FALSE(rendering.fadeSnapshot().has_value());

    EXPECT_TRUE(host->load(coolInfo, surfaces, false));
    EXPECT_TRUE(paused.wantsStill());
    EXPECT_FALSE(tiny.wantsStill() || detached.wantsStill() || rendering.wantsStill());
    EXPECT_EQ(linkChanges, 1);
    for (auto* surface : surfaces) EXPECT_FALSE(surface->hasFrame() || surface->cachedPass() || surface->depth());
    EXPECT_EQ(sceneCalls("HostTestWarm").releasedViews.size(), 4u);
    EXPECT_EQ(sceneCalls("HostTestWarm").made, 1);
}

TEST_F(SceneHostTest, MakeFrameStepsTheClockByCappedSteps) {
    auto host = makeHost();
    ASSERT_TRUE(host->load(warmInfo, {}, false));
    host->lowPower = host->reduceMotion = true;
    // now, animate, dt, clock
    const std::tuple<double, bool, double, double> steps[] = {
        {100, true, 0, 40},          // no earlier step
        {100.003, true, 0, 40},      // under the minimum step: kept for later
        {100.05, true, 0.05, 40.05},
        {105.05, true, 0.1, 40.15},  // capped
        {106, false, 0, 40.15},      // not animating
        {104, true, 0, 40.15},       // a clock running backwards never steps back
    };
    for (const auto& [now, animate, dt, clock] : steps) {
        const auto frame = host->makeFrame(now, 0.004, animate);
        EXPECT_NEAR(frame.dt, dt, 1e-9) << now;
        EXPECT_NEAR(frame.clock, clock, 1e-9) << now;
        EXPECT_TRUE(frame.lowPower && frame.reduceMotion);
    }
    host->clearLastStep();  // after a pause the first step starts afresh instead of spanning it
    EXPECT_EQ(host->makeFrame(300, 0.004, true).dt, 0);
    EXPECT_EQ(sceneCalls("HostTestWarm").updates, 7);
    EXPECT_EQ(sceneCalls("HostTestWarm").lastUpdate->now, 300);

    // The current frame, for stills, steps nothing.
    media = 123.25;
    const auto current = host->currentFrame();
    EXPECT_EQ(std::tuple(current.now, current.dt), std::tuple(123.25, 0.0));
    EXPECT_NEAR(current.clock, 40.15, 1e-9);
    EXPECT_EQ(host->lastStep(), 300);
    EXPECT_EQ(sceneCalls("HostTestWarm").updates, 7);
}

TEST_F(SceneHostTest, SkyFollowsTheWallClockEveryTenSecondsAndThePlace) {
    auto host = makeHost();
    const auto first = wall;
    EXPECT_EQ(host->makeFrame(100, 0.004, true).sky, skyAt(first));
    wall += 6h;
    EXPECT_EQ(host->makeFrame(110, 0.004, true).sky, skyAt(first));  // not yet more than 10 s
    EXPECT_EQ(host->makeFrame(110.5, 0.004, true).sky, skyAt(wall));
    ASSERT_NE(skyAt(first), skyAt(wall));

    const Place oslo{"Oslo", 59.91, 10.75};
    wall += 6h;
    host->setPlace(std::nullopt);  // unchanged: no refresh
    EXPECT_EQ(host->makeFrame(111, 0.004, true).sky, skyAt(wall - 6h));
    host->setPlace(oslo);
    media = 111.5;
    EXPECT_EQ(host->currentFrame().sky, skyAt(wall, oslo));
    wall += 6h;
    EXPECT_EQ(host->makeFrame(112, 0.004, true).sky, skyAt(wall, oslo));  // currentFrame left it stale
}

// A preview hour pins the sky, date included, until the place changes.
TEST_F(SceneHostTest, HourOverridePinsTheSkyUntilThePlaceChanges) {
    auto host = makeHost(6.0f);
    const auto first = wall;
    EXPECT_EQ(host->makeFrame(100, 0.004, true).sky, skyAt(first, std::nullopt, 6.0));
    wall += 24h * 40;
    EXPECT_EQ(host->makeFrame(500, 0.004, true).sky, skyAt(first, std::nullopt, 6.0));
    const Place quito{"Quito", -0.18, -78.47};
    host->setPlace(quito);
    EXPECT_EQ(host->makeFrame(501, 0.004, true).sky, skyAt(wall, quito, 6.0));
    EXPECT_FALSE(makeHost(0.0f)->hourOverride().has_value());  // zero or less is none
}

// Switching with a cross-fade snapshots what each rendering surface showed (one with a view of
// the old scene, still its size) and fades it out over the new scene in 1.4 s.
TEST_F(SceneHostTest, CrossfadeSnapshotsRenderingSurfacesAndFadesThemOut) {
    auto host = makeHost();
    ASSERT_TRUE(host->load(msaaInfo, {}, false));
    SceneSurfaceView shown, other, paused, viewless, resized;
    for (auto* surface : {&shown, &other, &paused, &resized}) showing(*surface, 16, 16);
    showing(viewless, 16, 16, false);
    paused.apply(RenderDecision::paused(PauseReason::covered));
    resized.setDetachedBounds(100, 100);
    resized.updateDrawableSize();
    SceneSurfaceView* surfaces[] = {&shown, &other, &paused, &viewless, &resized};
    ASSERT_TRUE(host->load(coolInfo, surfaces, true));
    EXPECT_EQ(host->fadeStart(), 50);
    EXPECT_TRUE(shown.fadeSnapshot() && other.fadeSnapshot());
    EXPECT_FALSE(paused.fadeSnapshot() || viewless.fadeSnapshot() || resized.fadeSnapshot());
    EXPECT_EQ(sceneCalls("HostTestMsaa").drawnViews.size(), 2u);

    const auto drawable = renderTarget(16, 16);
    // Draws the live scene and the fade over it; the draw count and the centre pixel.
    auto draw = [&](SceneSurfaceView& surface, double now) {
        auto commands = dev().makeCommandBuffer("fade test");
        auto encoder = commands.renderEncoder(*surface.renderPass(drawable, 1, dev()));
        host->scene()->draw(*encoder, *surface.lastView(), host->currentFrame());
        host->drawFade(*encoder, surface, now);
        const int draws = encoder->drawCount();
        encoder->endEncoding();
        commands.commit();
        return std::pair{draws, gpu::readImageRGBA8(dev(), drawable)->pixel(8, 8)};
    };
    // The old scene covers the new one at first; half way they mix evenly.
    EXPECT_TRUE(near(draw(shown, 50).second, {0, 255, 0, 255}));
    const auto [halfDraws, half] = draw(shown, 50.7);
    EXPECT_EQ(halfDraws, 2);
    EXPECT_TRUE(near(half, {0, 128, 128, 255}, 3));
    // Too faint to see: this surface lets go of its snapshot, yet the fade goes on for others.
    EXPECT_EQ(draw(shown, 50 + 1.4 * 0.99).first, 1);
    EXPECT_FALSE(shown.fadeSnapshot().has_value());
    EXPECT_EQ(host->fadeStart(), 50);
    EXPECT_EQ(draw(other, 51.4).first, 1);  // over: the last snapshot and the fade go
    EXPECT_FALSE(other.fadeSnapshot() || host->fadeStart());
    other.setFadeSnapshot(renderTarget(16, 16));  // a snapshot without a fade is not drawn
    EXPECT_EQ(draw(other, 51.5).first, 1);

    // A switch without a cross-fade drops a running one.
    shown.markDrawn(&*shown.lastView(), false);
    ASSERT_TRUE(host->load(warmInfo, surfaces, true));
    ASSERT_TRUE(shown.fadeSnapshot().has_value());
    ASSERT_TRUE(host->load(splitInfo, surfaces, false));
    EXPECT_FALSE(shown.fadeSnapshot() || host->fadeStart());
}

TEST_F(SceneHostTest, RenderOffscreenReturnsTopFirstBGRXAtTheClassSampleCount) {
    auto host = makeHost();
    auto split = makeScene(splitInfo, gpu());
    const auto frame = host->makeFrame(100, 0.004, true);
    double milliseconds = -1;
    const auto image = host->renderOffscreen(*split, 40, 30, frame, 2, &milliseconds, 1);
    ASSERT_TRUE(image.has_value());
    ASSERT_EQ(image->bgrx.size(), 40u * 30u * 4u);
    EXPECT_GE(milliseconds, 0);
    // The split scene is white above its middle row and green below: blue 255 on the top rows.
    for (const int y : {0, 14, 15, 29}) {
        for (const int x : {0, 39}) {
            const auto* p = image->bgrx.data() + (static_cast<std::size_t>(y) * 40 + x) * 4;
            const int blue = y < 15 ? 255 : 0;
            EXPECT_TRUE(near({p[0], p[1], p[2], p[3]}, {blue, 255, blue, 255})) << x << ", " << y;
        }
    }
    const auto& calls = sceneCalls("HostTestSplit");
    ASSERT_EQ(calls.drawnViews.size(), 1u);
    const auto& view = calls.drawnViews[0];
    EXPECT_EQ(calls.preparedViews, std::vector<ViewID>{view.id});
    EXPECT_EQ(calls.releasedViews, std::vector<ViewID>{view.id});
    EXPECT_EQ(std::tuple(view.displayIndex, view.width, view.height, view.pixelScale), std::tuple(2, 40, 30, 1.0f));

    // Without a count, the live class's four samples.
    ASSERT_TRUE(host->load(msaaInfo, {}, false));
    const auto msaa = host->renderOffscreen(*host->scene(), 12, 10, frame);
    ASSERT_TRUE(msaa.has_value());
    EXPECT_EQ(msaa->bgrx[1], 255);
    EXPECT_FALSE(host->renderOffscreen(*host->scene(), 0, 10, frame).has_value());
}

}  // namespace
}  // namespace lumen::app::test
