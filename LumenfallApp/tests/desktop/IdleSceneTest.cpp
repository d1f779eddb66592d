#include "FakeDesktopBackend.hpp"
#include "support/OffscreenDriver.hpp"

#include "support/XServer.hpp"

#include "desktop/IdleScene.hpp"
#include "log/EventLog.hpp"
#include "render/FrameDriver.hpp"
#include "render/SceneHost.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace lumen;
using namespace lumen::app;
using lumen::app::test::FakeDesktopBackend;
using lumen::app::test::OffscreenDriver;
using lumen::app::test::testScreen;

namespace {

const std::string rendering = "display 0: " + RenderDecision::render(30, 1).statusText();

// The idle scene over a fake backend, with the idle time and the media time in the test's hands.
class IdleSceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        offscreen = OffscreenDriver::make(error);
        if (!offscreen) GTEST_SKIP() << "no GPU: " << error;
        driver = offscreen->driver.get();
        backend.setScreens({testScreen(7, {0, 0, 1920, 1080}), testScreen(3, {1920, 0, 1280, 1024})});
        scene = std::make_unique<IdleScene>(backend, *driver, nullptr);
        scene->enabled = true;
        scene->mediaTime = [this] { return now; };
        scene->onShowingChanged = [this](bool showing) { reports.push_back(showing); };
        EventLog::setObserver([this](const std::string& event) { events.push_back(event); });
    }
    void TearDown() override {
        EventLog::setObserver({});
        scene.reset();
        offscreen.reset();
    }

    // Idle long enough at `when`: the next check shows.
    void showAt(double when) {
        now = when;
        backend.idle = 600;
        scene->check();
        ASSERT_TRUE(scene->showing());
        events.clear();
    }

    FakeDesktopBackend backend;
    std::unique_ptr<OffscreenDriver> offscreen;
    FrameDriver* driver = nullptr;
    std::unique_ptr<IdleScene> scene;
    double now = 100;
    std::vector<std::string> events;
    std::vector<bool> reports;
};

TEST_F(IdleSceneTest, ShowsOnceIdleForTheMinutes) {
    scene->minutes = 10;
    backend.idle = 599;
    scene->check();
    EXPECT_FALSE(scene->showing());
    EXPECT_EQ(backend.idleWindowCount(), 0u);

    backend.idle = 600;
    now = 50;
    scene->check();
    ASSERT_EQ(scene->windows().size(), 2u);
    EXPECT_EQ(backend.idleWindowCount(), 2u);
    for (int i = 0; i < 2; ++i) {
        const IdleWindow& window = *scene->windows()[static_cast<std::size_t>(i)];
        const SceneSurfaceView& surface = window.surface();
        EXPECT_EQ(surface.displayIndex(), i);
        EXPECT_FALSE(surface.interactive() || surface.parallaxEnabled() || surface.pointerReacts());
        EXPECT_EQ(surface.decision(), RenderDecision::render(30, 1));
        EXPECT_EQ(surface.window(), &window.window());
        EXPECT_NE(std::find(driver->surfaces().begin(), driver->surfaces().end(), &surface), driver->surfaces().end());
    }
    EXPECT_EQ(scene->windows()[1]->window().pixelFrame(), (PixelRect{1920, 0, 1280, 1024}));
    EXPECT_EQ(scene->shownAt(), 50);
    EXPECT_EQ(events, (std::vector<std::string>{rendering, "display 1: " + RenderDecision::render(30, 1).statusText(),
                                                "idle scene shown"}));
    EXPECT_EQ(reports, std::vector<bool>{true});
    EXPECT_EQ(scene->checkInterval(), IdleScene::showingInterval);
}

TEST_F(IdleSceneTest, TheTimerRunsTheCheckWhileEnabled) {
    scene->enabled = false;
    scene->schedule(5.0);
    EXPECT_EQ(scene->checkInterval(), std::nullopt);

    scene->enabled = true;
    scene->schedule(5.0);
    EXPECT_EQ(scene->checkInterval(), 5.0);
    backend.idle = 600;
    scene->schedule(0.02);
    EXPECT_TRUE(lumen::test::waitFor([&] { return scene->showing(); }, std::chrono::seconds(5)));
}

TEST_F(IdleSceneTest, NotShownWhenPreventedDisallowedOrUnknown) {
    backend.idle = 1e6;
    int asked = 0;
    scene->displaySleepPrevented = [&] {
        ++asked;
        return true;
    };
    scene->check();
    EXPECT_FALSE(scene->showing());
    EXPECT_EQ(asked, 1);

    scene->displaySleepPrevented = [&] {
        ++asked;
        return false;
    };
    scene->allowed = [] { return false; };
    scene->check();
    EXPECT_FALSE(scene->showing());
    EXPECT_EQ(asked, 1) << "not asked over D-Bus when not allowed anyway";

    scene->allowed = [] { return true; };
    backend.idle.reset();
    scene->check();
    EXPECT_FALSE(scene->showing()) << "without an idle time it never shows";

    backend.idle = 1e6;
    scene->check();
    EXPECT_TRUE(scene->showing());
    EXPECT_TRUE(reports == std::vector<bool>{true});
}

TEST_F(IdleSceneTest, PointerMotionAfterTheGraceDismissesAtTheNextCheck) {
    showAt(100);

    // No input: the idle time keeps growing with the time shown.
    now = 110;
    backend.idle = 610;
    scene->check();
    EXPECT_TRUE(scene->showing());

    // Input 0.2 s after showing, within the grace.
    now = 100.2;
    backend.idle = 0;
    scene->check();
    now = 100.35;
    backend.idle = 0.15;
    scene->check();
    EXPECT_TRUE(scene->showing());

    // Input at 100.55.
    now = 100.6;
    backend.idle = 0.05;
    scene->check();
    EXPECT_FALSE(scene->showing());
    EXPECT_EQ(backend.idleWindowCount(), 0u);
    EXPECT_TRUE(driver->surfaces().empty());
    EXPECT_EQ(events, (std::vector<std::string>{"display 0: Paused", "display 1: Paused", "idle scene dismissed"}));
    EXPECT_EQ(reports, (std::vector<bool>{true, false}));
    EXPECT_EQ(scene->checkInterval(), IdleScene::waitingInterval);
}

TEST_F(IdleSceneTest, KeysAndButtonsDismissAtOnceMotionAfterTheGrace) {
    showAt(100);
    // Motion needs no idle time from the server: it happens now.
    backend.idle.reset();
    now = 100.25;
    backend.input(1, IdleInput::motion);
    EXPECT_TRUE(scene->showing());
    now = 100.35;
    backend.input(0, IdleInput::motion);
    EXPECT_FALSE(scene->showing());

    for (const IdleInput kind : {IdleInput::key, IdleInput::button}) {
        showAt(200);
        backend.idle = 0;
        backend.input(1, kind);
        EXPECT_FALSE(scene->showing());
        EXPECT_EQ(backend.idleWindowCount(), 0u);
    }
}

TEST_F(IdleSceneTest, TurningOffWhileShowingDismissesAndStopsTheTimer) {
    showAt(100);
    scene->enabled = false;
    scene->dismiss();
    EXPECT_FALSE(scene->showing());
    EXPECT_EQ(scene->checkInterval(), std::nullopt);
    EXPECT_EQ(reports, (std::vector<bool>{true, false}));
}

TEST_F(IdleSceneTest, NoScreensNoWindows) {
    backend.setScreens({});
    backend.idle = 600;
    scene->check();
    scene->show();
    EXPECT_FALSE(scene->showing());
    EXPECT_EQ(backend.idleWindowCount(), 0u);
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(events.empty());
}

TEST_F(IdleSceneTest, ThePreviouslyActiveWindowIsActivatedAgain) {
    backend.active = 42;
    showAt(100);
    EXPECT_EQ(scene->previousWindow(), 42u);
    scene->dismiss();
    EXPECT_EQ(backend.activated, std::vector<std::uint64_t>{42});
    EXPECT_EQ(scene->previousWindow(), std::nullopt);

    // None active, or one of ours, as the backend reports it: nothing to give back.
    backend.active.reset();
    showAt(200);
    scene->dismiss();
    EXPECT_EQ(backend.activated, std::vector<std::uint64_t>{42});
}

TEST_F(IdleSceneTest, AGoneSceneIsNotCalledBack) {
    showAt(100);
    const auto late = backend.idleInputs.front();
    scene.reset();
    EXPECT_EQ(backend.idleWindowCount(), 0u);
    EXPECT_TRUE(driver->surfaces().empty());
    late(IdleInput::key);
    EXPECT_EQ(reports, std::vector<bool>{true});
    EXPECT_TRUE(events.empty());
}

}  // namespace
