#include "support/HostTestScenes.hpp"
#include "support/RenderTest.hpp"

#include "scenekit/SceneClasses.hpp"
#include "scenekit/SceneError.hpp"
#include "render/SceneHost.hpp"
#include "render/SceneSurfaceView.hpp"

#include "log/EventLog.hpp"

#include "LumenKit/sky/SkyClock.hpp"

#include <date/tz.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

namespace lumen::app::test {
namespace {

using namespace std::chrono_literals;

// BGRX bytes of an RGBA colour as an 8-bit image holds them.
std::array<int, 4> bgrx(Colour c) {
    auto byte = [](float v) { return static_cast<int>(v * 255 + 0.5f); };
    return {byte(c[2]), byte(c[1]), byte(c[0]), 255};
}

::testing::AssertionResult nearPixel(const std::uint8_t* actual, std::array<int, 4> expected, int tolerance = 2) {
    for (int i = 0; i < 4; ++i) {
        if (std::abs(actual[i] - expected[i]) > tolerance) {
            return ::testing::AssertionFailure() << "byte " << i << " is " << int(actual[i]) << ", expected "
                                                 << expected[i];
        }
    }
    return ::testing::AssertionSuccess();
}

class SceneHostTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        if (IsSkipped()) return;
        registerHostTestScenes();
        resetSceneCalls();
        EventLog::setObserver([this](const std::string& event) {
            if (event.find(" failed: ") != std::string::npos) failures.push_back(event);
        });
        catalog.scenes = {warmInfo, coolInfo, msaaInfo, splitInfo, throwsInfo, brokenInfo};
        utc = date::locate_zone("UTC");
    }
    void TearDown() override {
        EventLog::setObserver(nullptr);
        removeHostTestScenes();
    }

    std::unique_ptr<SceneHost> makeHost(std::optional<float> previewHour = std::nullopt) {
        auto host = std::make_unique<SceneHost>(gpu(), catalog, warmInfo, previewHour);
        host->mediaTime = [this] { return media; };
        host->wallTime = [this] { return wall; };
        host->timeZone = utc;
        return host;
    }

    // A surface on screen that has presented frames of the live scene (drawn by it unless `drawn`
    // is false: then no view is known).
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

    const SceneInfo warmInfo = hostTestInfo("warm", "HostTestWarm");
    const SceneInfo coolInfo = hostTestInfo("cool", "HostTestCool");
    const SceneInfo msaaInfo = hostTestInfo("msaa", "HostTestMsaa");
    const SceneInfo splitInfo = hostTestInfo("split", "HostTestSplit");
    const SceneInfo throwsInfo = hostTestInfo("throws", "HostTestThrows");
    const SceneInfo brokenInfo = hostTestInfo("broken", "HostTestBroken");
    SceneCatalog catalog;
    std::vector<std::string> failures;
    double media = 50;
    std::chrono::system_clock::time_point wall = date::sys_days{date::year{2024} / 3 / 20} + 9h;
    const date::time_zone* utc = nullptr;
};

TEST_F(SceneHostTest, LoadingTheLiveEntryChangesNothing) {
    auto host = makeHost();
    EXPECT_EQ(host->scene(), nullptr);
    EXPECT_TRUE(host->load(coolInfo, {}, false));
    auto* live = host->scene();
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(host->info(), coolInfo);
    EXPECT_EQ(host->sampleCount(), 1);

    SceneSurfaceView surface;
    showing(surface, 16, 16);
    surface.apply(RenderDecision::paused(PauseReason::user));
    auto drawable = dev().makeTexture({.format = gpu::PixelFormat::bgra8Unorm, .width = 16, .height = 16,
                                       .usage = gpu::TextureUsage::renderTarget});
    ASSERT_TRUE(drawable.ok());
    ASSERT_NE(surface.renderPass(*drawable, 1, dev()), nullptr);
    SceneSurfaceView* surfaces[] = {&surface};

    EXPECT_TRUE(host->load(coolInfo, surfaces, true));
    EXPECT_EQ(host->scene(), live);
    EXPECT_TRUE(surface.hasFrame());
    EXPECT_FALSE(surface.wantsStill());
    EXPECT_TRUE(surface.cachedPass().has_value());
    EXPECT_FALSE(surface.fadeSnapshot().has_value());
    EXPECT_TRUE(sceneCalls("HostTestCool").releasedViews.empty());
    EXPECT_EQ(sceneCalls("HostTestCool").made, 1);
    EXPECT_TRUE(failures.empty());
}

TEST_F(SceneHostTest, FailingSceneFallsBackToTheFirstEntry) {
    auto host = makeHost();
    ASSERT_TRUE(host->load(msaaInfo, {}, false));
    EXPECT_EQ(host->sampleCount(), 4);
    SceneSurfaceView surface;
    SceneSurfaceView* surfaces[] = {&surface};

    EXPECT_FALSE(host->load(throwsInfo, surfaces, false));
    ASSERT_NE(host->scene(), nullptr);
    EXPECT_EQ(host->info(), warmInfo);
    EXPECT_EQ(host->sampleCount(), 1);
    EXPECT_EQ(sceneCalls("HostTestWarm").made, 1);
    // The old scene let go of the surface before it went.
    EXPECT_EQ(sceneCalls("HostTestMsaa").releasedViews, std::vector<ViewID>{surface.id()});
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], "scene throws failed: " + SceneError::pipeline("host test").description());

    // Any other exception from a constructor is a failure with its text.
    EXPECT_FALSE(host->load(brokenInfo, surfaces, false));
    EXPECT_EQ(host->info(), warmInfo);
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[1], "scene broken failed: broken on purpose");

    // A class name nobody registered.
    EXPECT_FALSE(host->load(hostTestInfo("ghost", "NoSuchScene"), surfaces, false));
    ASSERT_EQ(failures.size(), 3u);
    EXPECT_EQ(failures[2], "scene ghost failed: no scene class NoSuchScene");
    EXPECT_EQ(host->info(), warmInfo);
}

TEST_F(SceneHostTest, FailingFallbackLeavesNoScene) {
    catalog.scenes = {throwsInfo, warmInfo, coolInfo};
    auto host = makeHost();
    EXPECT_FALSE(host->load(throwsInfo, {}, false));
    EXPECT_EQ(host->scene(), nullptr);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], "scene throws failed: " + SceneError::pipeline("host test").description());

    // From a live scene: the scene goes, and the surfaces no longer count as showing a frame.
    ASSERT_TRUE(host->load(coolInfo, {}, false));
    SceneSurfaceView surface;
    showing(surface, 32, 32);
    SceneSurfaceView* surfaces[] = {&surface};
    failures.clear();
    EXPECT_FALSE(host->load(throwsInfo, surfaces, true));
    EXPECT_EQ(host->scene(), nullptr);
    EXPECT_EQ(failures.size(), 1u);
    EXPECT_FALSE(surface.hasFrame());
    EXPECT_FALSE(surface.fadeSnapshot().has_value());
    EXPECT_FALSE(host->fadeStart().has_value());

    // Another entry fails, then its fallback: both are reported, no scene.
    failures.clear();
    EXPECT_FALSE(host->load(brokenInfo, surfaces, false));
    EXPECT_EQ(host->scene(), nullptr);
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0], "scene broken failed: broken on purpose");
    EXPECT_EQ(failures[1].rfind("scene throws failed: ", 0), 0u);
}

TEST_F(SceneHostTest, LoadResetsSurfacesAndAsksPausedOnesForAStill) {
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
    auto drawable = dev().makeTexture({.format = gpu::PixelFormat::bgra8Unorm, .width = 64, .height = 48,
                                       .usage = gpu::TextureUsage::renderTarget});
    ASSERT_TRUE(drawable.ok());
    ASSERT_NE(rendering.renderPass(*drawable, 1, dev()), nullptr);

    SceneSurfaceView* surfaces[] = {&paused, &tiny, &detached, &rendering};
    EXPECT_TRUE(host->load(coolInfo, surfaces, false));
    EXPECT_TRUE(paused.wantsStill());
    EXPECT_FALSE(tiny.wantsStill());
    EXPECT_FALSE(detached.wantsStill());
    EXPECT_FALSE(rendering.wantsStill());
    EXPECT_EQ(linkChanges, 1);
    for (auto* surface : surfaces) {
        EXPECT_FALSE(surface->hasFrame());
        EXPECT_FALSE(surface->cachedPass().has_value());
        EXPECT_FALSE(surface->depth().has_value());
        EXPECT_EQ(surface->targetsSampleCount(), 0);
    }
    EXPECT_FALSE(host->fadeStart().has_value());
    // The old scene released every surface, the new one has seen none of them yet.
    EXPECT_EQ(sceneCalls("HostTestWarm").releasedViews.size(), 4u);
}

TEST_F(SceneHostTest, MakeFrameStepsTheClockByCappedSteps) {
    auto host = makeHost();
    ASSERT_TRUE(host->load(warmInfo, {}, false));
    auto& calls = sceneCalls("HostTestWarm");

    auto frame = host->makeFrame(100, 0.004, true);
    EXPECT_EQ(frame.dt, 0);  // no earlier step
    EXPECT_EQ(frame.clock, 40);
    EXPECT_EQ(host->lastStep(), 100);

    frame = host->makeFrame(100.003, 0.004, true);
    EXPECT_EQ(frame.dt, 0);
    EXPECT_EQ(host->lastStep(), 100);  // too soon: the step is kept for later

    frame = host->makeFrame(100.05, 0.004, true);
    EXPECT_NEAR(frame.dt, 0.05, 1e-9);
    EXPECT_NEAR(frame.clock, 40.05, 1e-9);
    EXPECT_EQ(host->lastStep(), 100.05);

    frame = host->makeFrame(105.05, 0.004, true);
    EXPECT_NEAR(frame.dt, 0.1, 1e-12);
    EXPECT_NEAR(host->clock(), 40.15, 1e-9);

    const double clock = host->clock();
    frame = host->makeFrame(106, 0.004, false);
    EXPECT_EQ(frame.dt, 0);
    EXPECT_EQ(frame.clock, clock);
    EXPECT_EQ(host->lastStep(), 105.05);

    // A clock that goes backwards never steps the animation back.
    frame = host->makeFrame(104, 0, true);
    EXPECT_EQ(frame.dt, 0);
    EXPECT_EQ(host->clock(), clock);

    host->clearLastStep();
    frame = host->makeFrame(300, 0.004, true);
    EXPECT_EQ(frame.dt, 0);
    EXPECT_EQ(host->clock(), clock);

    EXPECT_EQ(calls.updates, 7);
    ASSERT_TRUE(calls.lastUpdate.has_value());
    EXPECT_EQ(calls.lastUpdate->now, 300);
    EXPECT_EQ(calls.lastUpdate->clock, clock);
}

TEST_F(SceneHostTest, FramesCarryTheSharedState) {
    auto host = makeHost();
    host->options.values["palette"] = "dusk";
    host->weather = WeatherState{};
    host->lowPower = true;
    host->reduceMotion = true;
    const auto frame = host->makeFrame(100, 0.004, true);
    EXPECT_EQ(frame.options.values.at("palette"), "dusk");
    EXPECT_TRUE(frame.weather.has_value());
    EXPECT_TRUE(frame.lowPower);
    EXPECT_TRUE(frame.reduceMotion);
    EXPECT_EQ(frame.sky, host->sky());
    EXPECT_EQ(host->scene(), nullptr);  // no scene: frames are made all the same
}

TEST_F(SceneHostTest, CurrentFrameDoesNotStep) {
    auto host = makeHost();
    ASSERT_TRUE(host->load(warmInfo, {}, false));
    host->makeFrame(100, 0.004, true);
    host->makeFrame(100.5, 0.004, true);
    const double clock = host->clock();

    media = 123.25;
    const Place oslo{"Oslo", 59.91, 10.75};
    host->setPlace(oslo);
    const auto frame = host->currentFrame();
    EXPECT_EQ(frame.now, 123.25);
    EXPECT_EQ(frame.dt, 0);
    EXPECT_EQ(frame.clock, clock);
    EXPECT_EQ(host->lastStep(), 100.5);
    EXPECT_EQ(sceneCalls("HostTestWarm").updates, 2);
    // The sky is brought up to date, yet the next tick still recomputes it.
    EXPECT_EQ(frame.sky, skyAt(wall, oslo));
    EXPECT_EQ(host->skyTime(), 0);
    wall += 5h;
    EXPECT_EQ(host->makeFrame(101, 0.004, true).sky, skyAt(wall, oslo));
}

TEST_F(SceneHostTest, SkyIsRecomputedEveryTenSeconds) {
    auto host = makeHost();
    const auto first = wall;
    EXPECT_EQ(host->makeFrame(100, 0.004, true).sky, skyAt(first));
    EXPECT_EQ(host->skyTime(), 100);
    wall += 6h;
    EXPECT_EQ(host->makeFrame(105, 0.004, true).sky, skyAt(first));
    EXPECT_EQ(host->makeFrame(110, 0.004, true).sky, skyAt(first));  // not yet more than 10 s
    EXPECT_EQ(host->makeFrame(110.5, 0.004, true).sky, skyAt(wall));
    EXPECT_EQ(host->skyTime(), 110.5);
    EXPECT_NE(skyAt(first), skyAt(wall));
}

TEST_F(SceneHostTest, HourOverridePinsTheSkyUntilThePlaceChanges) {
    auto host = makeHost(6.0f);
    ASSERT_EQ(host->hourOverride(), 6.0f);
    const auto first = wall;
    auto frame = host->makeFrame(100, 0.004, true);
    EXPECT_EQ(frame.sky, skyAt(first, std::nullopt, 6.0));
    EXPECT_NEAR(frame.sky.hour, 6, 1e-4);

    wall += 24h * 40;
    EXPECT_EQ(host->makeFrame(500, 0.004, true).sky, skyAt(first, std::nullopt, 6.0));

    const Place quito{"Quito", -0.18, -78.47};
    host->setPlace(quito);
    frame = host->makeFrame(501, 0.004, true);
    EXPECT_EQ(frame.sky, skyAt(wall, quito, 6.0));
    EXPECT_NE(frame.sky.dayOfYear, skyAt(first, quito, 6.0).dayOfYear);

    EXPECT_FALSE(makeHost(0.0f)->hourOverride().has_value());
    EXPECT_FALSE(makeHost(-3.0f)->hourOverride().has_value());
}

TEST_F(SceneHostTest, SetPlaceRefreshesTheSkyOnlyWhenThePlaceChanged) {
    auto host = makeHost();
    const auto first = wall;
    host->makeFrame(100, 0.004, true);
    wall += 6h;

    host->setPlace(std::nullopt);  // as before
    EXPECT_EQ(host->makeFrame(101, 0.004, true).sky, skyAt(first));

    const Place oslo{"Oslo", 59.91, 10.75};
    host->setPlace(oslo);
    EXPECT_EQ(host->skyTime(), 0);
    EXPECT_EQ(host->makeFrame(102, 0.004, true).sky, skyAt(wall, oslo));

    const auto second = wall;
    wall += 6h;
    host->setPlace(oslo);
    EXPECT_EQ(host->makeFrame(103, 0.004, true).sky, skyAt(second, oslo));

    const Place renamed{"Christiania", 59.91, 10.75};
    host->setPlace(renamed);
    EXPECT_EQ(host->makeFrame(104, 0.004, true).sky, skyAt(wall, renamed));
    EXPECT_EQ(host->place(), renamed);

    host->setPlace(std::nullopt);
    EXPECT_EQ(host->skyTime(), 0);
}

TEST_F(SceneHostTest, FadeAlphaFollowsSmoothstep) {
    EXPECT_FLOAT_EQ(SceneHost::fadeAlpha(0), 1);
    EXPECT_FLOAT_EQ(SceneHost::fadeAlpha(0.35), 1 - 0.0625f * 2.5f);
    EXPECT_NEAR(SceneHost::fadeAlpha(0.7), 0.5f, 1e-6);
    EXPECT_FLOAT_EQ(SceneHost::fadeAlpha(1.4), 0);
    EXPECT_FLOAT_EQ(SceneHost::fadeAlpha(5), 0);
    EXPECT_FLOAT_EQ(SceneHost::fadeAlpha(-1), 1);
    float previous = 1;
    for (double t = 0.05; t < 1.4; t += 0.05) {
        const float alpha = SceneHost::fadeAlpha(t);
        EXPECT_LT(alpha, previous) << t;
        previous = alpha;
    }
}

TEST_F(SceneHostTest, CrossfadeCapturesSnapshotsOfRenderingSurfaces) {
    for (const auto& [from, colour] : {std::pair{warmInfo, warm}, std::pair{msaaInfo, green}}) {
        SCOPED_TRACE(from.id.text());
        auto host = makeHost();
        ASSERT_TRUE(host->load(from, {}, false));
        SceneSurfaceView shown, paused, viewless, frameless;
        showing(shown, 32, 24);
        showing(paused, 32, 24);
        paused.apply(RenderDecision::paused(PauseReason::covered));
        showing(viewless, 32, 24, false);
        showing(frameless, 32, 24);
        frameless.setDetachedBounds(100, 100);  // resized since: the frame is gone, the view stays
        frameless.updateDrawableSize();
        SceneSurfaceView* surfaces[] = {&shown, &paused, &viewless, &frameless};

        media = 77.5;
        EXPECT_TRUE(host->load(coolInfo, surfaces, true));
        ASSERT_TRUE(shown.fadeSnapshot().has_value());
        EXPECT_EQ(shown.fadeSnapshot()->width(), 32);
        EXPECT_EQ(shown.fadeSnapshot()->height(), 24);
        EXPECT_FALSE(paused.fadeSnapshot().has_value());
        EXPECT_FALSE(viewless.fadeSnapshot().has_value());
        EXPECT_FALSE(frameless.fadeSnapshot().has_value());
        EXPECT_EQ(host->fadeStart(), 77.5);

        const auto& calls = sceneCalls(from.className);
        EXPECT_EQ(calls.preparedViews, std::vector<ViewID>{shown.id()});
        ASSERT_EQ(calls.drawnViews.size(), 1u);
        EXPECT_EQ(calls.drawnViews[0].id, shown.id());
        EXPECT_EQ(calls.releasedViews.size(), 4u);

        const auto image = gpu::readImageRGBA8(dev(), *shown.fadeSnapshot());
        ASSERT_TRUE(image.ok()) << image.error().message;
        const auto centre = image->pixel(16, 12);
        EXPECT_NEAR(centre[0], colour[0] * 255, 2);
        EXPECT_NEAR(centre[1], colour[1] * 255, 2);
        EXPECT_NEAR(centre[2], colour[2] * 255, 2);

        // Switching on without a cross-fade drops the running one.
        EXPECT_TRUE(host->load(splitInfo, surfaces, false));
        EXPECT_FALSE(shown.fadeSnapshot().has_value());
        EXPECT_FALSE(host->fadeStart().has_value());
        resetSceneCalls();
    }
}

class SceneHostFadeTest : public SceneHostTest {
protected:
    // Draws the live scene and then the fade over it into `drawable` through the surface's pass.
    int drawWithFade(SceneHost& host, SceneSurfaceView& surface, const gpu::Texture& drawable, double now) {
        const auto* pass = surface.renderPass(drawable, host.sampleCount(), dev());
        if (!pass) return -1;
        auto commands = dev().makeCommandBuffer("fade test");
        auto encoder = commands.renderEncoder(*pass);
        if (!encoder) return -1;
        const auto frame = host.currentFrame();
        SceneView view = *surface.lastView();
        host.scene()->draw(*encoder, view, frame);
        host.drawFade(*encoder, surface, now);
        const int draws = encoder->drawCount();
        encoder->endEncoding();
        commands.commit();
        return draws;
    }
};

TEST_F(SceneHostFadeTest, SnapshotFadesOutAndIsDropped) {
    auto host = makeHost();
    ASSERT_TRUE(host->load(warmInfo, {}, false));
    SceneSurfaceView first, second;
    showing(first, 16, 16);
    showing(second, 16, 16);
    SceneSurfaceView* surfaces[] = {&first, &second};
    media = 50;
    ASSERT_TRUE(host->load(coolInfo, surfaces, true));
    ASSERT_EQ(host->fadeStart(), 50);
    auto drawable = dev().makeTexture({.format = gpu::PixelFormat::bgra8Unorm, .width = 16, .height = 16,
                                       .usage = gpu::TextureUsage::renderTarget | gpu::TextureUsage::shaderRead});
    ASSERT_TRUE(drawable.ok());
    auto centre = [&] {
        auto image = gpu::readImageRGBA8(dev(), *drawable);
        return image ? image->pixel(8, 8) : std::array<std::uint8_t, 4>{};
    };

    // At the start the old scene covers the new one completely.
    EXPECT_EQ(drawWithFade(*host, first, *drawable, 50), 2);
    EXPECT_TRUE(nearPixel(centre().data(), {255, 128, 0, 255}));
    // Half way: an even mix of orange and blue.
    EXPECT_EQ(drawWithFade(*host, first, *drawable, 50.7), 2);
    EXPECT_TRUE(nearPixel(centre().data(), {128, 64, 128, 255}, 3));

    // Nearly done: too faint to draw, so this surface lets go of its snapshot; the fade goes on.
    EXPECT_EQ(drawWithFade(*host, first, *drawable, 50 + 1.4 * 0.99), 1);
    EXPECT_FALSE(first.fadeSnapshot().has_value());
    EXPECT_EQ(host->fadeStart(), 50);
    EXPECT_TRUE(nearPixel(centre().data(), {0, 0, 255, 255}));

    // Over: the snapshot goes and so does the fade.
    EXPECT_EQ(drawWithFade(*host, second, *drawable, 51.4), 1);
    EXPECT_FALSE(second.fadeSnapshot().has_value());
    EXPECT_FALSE(host->fadeStart().has_value());
}

TEST_F(SceneHostFadeTest, NothingToFadeDrawsNothing) {
    auto host = makeHost();
    ASSERT_TRUE(host->load(warmInfo, {}, false));
    SceneSurfaceView surface;
    showing(surface, 8, 8);
    auto drawable = dev().makeTexture({.format = gpu::PixelFormat::bgra8Unorm, .width = 8, .height = 8,
                                       .usage = gpu::TextureUsage::renderTarget});
    ASSERT_TRUE(drawable.ok());
    EXPECT_EQ(drawWithFade(*host, surface, *drawable, 50.1), 1);  // no fade running

    auto snapshot = dev().makeTexture({.format = gpu::PixelFormat::bgra8Unorm, .width = 8, .height = 8});
    ASSERT_TRUE(snapshot.ok());
    surface.setFadeSnapshot(std::move(snapshot.value()));
    EXPECT_EQ(drawWithFade(*host, surface, *drawable, 50.1), 1);  // a snapshot, but no fade start
    EXPECT_TRUE(surface.fadeSnapshot().has_value());
}

TEST_F(SceneHostTest, RenderOffscreenReturnsTopFirstBGRX) {
    auto host = makeHost();
    auto scene = makeScene(splitInfo, gpu());
    const auto frame = host->makeFrame(100, 0.004, true);
    double milliseconds = -1;
    const auto image = host->renderOffscreen(*scene, 40, 30, frame, 2, &milliseconds, 1);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, 40);
    EXPECT_EQ(image->height, 30);
    ASSERT_EQ(image->bgrx.size(), 40u * 30u * 4u);
    EXPECT_GE(milliseconds, 0);

    const auto pixel = [&](int x, int y) { return image->bgrx.data() + (static_cast<std::size_t>(y) * 40 + x) * 4; };
    for (int x : {0, 39}) {
        EXPECT_TRUE(nearPixel(pixel(x, 0), bgrx(white)));   // top row: the upper colour
        EXPECT_TRUE(nearPixel(pixel(x, 14), bgrx(white)));
        EXPECT_TRUE(nearPixel(pixel(x, 15), bgrx(green)));
        EXPECT_TRUE(nearPixel(pixel(x, 29), bgrx(green)));  // bottom row
    }

    const auto& calls = sceneCalls("HostTestSplit");
    EXPECT_EQ(calls.prepareFrames, 1);
    ASSERT_EQ(calls.preparedViews.size(), 1u);
    ASSERT_EQ(calls.drawnViews.size(), 1u);
    const auto& view = calls.drawnViews[0];
    EXPECT_EQ(view.id, calls.preparedViews[0]);
    EXPECT_NE(view.id, nullptr);
    EXPECT_EQ(view.displayIndex, 2);
    EXPECT_EQ(view.width, 40);
    EXPECT_EQ(view.height, 30);
    EXPECT_EQ(view.pixelScale, 1);
    EXPECT_FALSE(view.pointer.has_value());
    EXPECT_FALSE(view.reactsToPointer);
    EXPECT_EQ(calls.releasedViews, std::vector<ViewID>{view.id});
}

TEST_F(SceneHostTest, RenderOffscreenUsesTheSceneClassSampleCount) {
    auto host = makeHost();
    ASSERT_TRUE(host->load(msaaInfo, {}, false));  // the live class's count when none is given
    const auto frame = host->makeFrame(100, 0.004, true);
    const auto image = host->renderOffscreen(*host->scene(), 12, 10, frame);
    ASSERT_TRUE(image.has_value());
    EXPECT_TRUE(nearPixel(image->bgrx.data(), bgrx(green)));
    EXPECT_TRUE(nearPixel(image->bgrx.data() + image->bgrx.size() - 4, bgrx(green)));
    EXPECT_EQ(sceneCalls("HostTestMsaa").drawnViews.size(), 1u);
    EXPECT_EQ(sceneCalls("HostTestMsaa").releasedViews.size(), 1u);

    EXPECT_FALSE(host->renderOffscreen(*host->scene(), 0, 10, frame).has_value());
    EXPECT_EQ(sceneCalls("HostTestMsaa").drawnViews.size(), 1u);
}

}  // namespace
}  // namespace lumen::app::test
