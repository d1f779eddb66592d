#include "FakeDesktopBackend.hpp"
#include "support/OffscreenDriver.hpp"

#include "desktop/WallpaperHost.hpp"
#include "log/EventLog.hpp"
#include "render/FrameDriver.hpp"
#include "render/SceneHost.hpp"

#include <gtest/gtest.h>

using namespace lumen;
using namespace lumen::app;
using lumen::app::test::FakeDesktopBackend;
using lumen::app::test::OffscreenDriver;
using lumen::app::test::testScreen;

namespace {

// The host over a fake backend: window bookkeeping, events and callbacks without a display.
class WallpaperHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        offscreen = OffscreenDriver::make(error);
        if (!offscreen) GTEST_SKIP() << "no GPU: " << error;
        driver = offscreen->driver.get();
        host = std::make_unique<WallpaperHost>(backend, *driver, nullptr);
        host->onChange = [this] { ++changes; };
        EventLog::setObserver([this](const std::string& event) { events.push_back(event); });
    }
    void TearDown() override {
        EventLog::setObserver({});
        host.reset();
        offscreen.reset();
    }

    FakeDesktopBackend backend;
    std::unique_ptr<OffscreenDriver> offscreen;
    FrameDriver* driver = nullptr;
    std::unique_ptr<WallpaperHost> host;
    std::vector<std::string> events;
    int changes = 0;
};

TEST_F(WallpaperHostTest, OneWindowPerScreenInTheScreensOrder) {
    backend.setScreens({testScreen(7, {0, 0, 1920, 1080}, 2.0), testScreen(3, {1920, 0, 1280, 1024}, 2.0)});

    ASSERT_EQ(host->windows().size(), 2u);
    EXPECT_EQ(host->window(7)->surface().displayIndex(), 0);
    EXPECT_EQ(host->window(3)->surface().displayIndex(), 1);
    EXPECT_EQ(host->orderedWindows().front()->displayID(), 7u);
    EXPECT_EQ(host->window(7)->surface().window(), backend.fakeWindow(7));
    EXPECT_EQ(driver->surfaces().size(), 2u);
    EXPECT_EQ(events, (std::vector<std::string>{"display 7 added (960×540 pt, scale 2.0)",
                                                "display 3 added (640×512 pt, scale 2.0)"}));
    EXPECT_EQ(changes, 1);
}

TEST_F(WallpaperHostTest, ResizeAndReorderKeepWindowsAndSurfaces) {
    backend.setScreens({testScreen(7, {0, 0, 1920, 1080}), testScreen(3, {1920, 0, 1280, 1024})});
    WallpaperWindow* seven = host->window(7);
    WallpaperWindow* three = host->window(3);
    events.clear();
    changes = 0;

    // The screens swap places in the list, and 7 changes resolution.
    backend.setScreens({testScreen(3, {1920, 0, 1280, 1024}), testScreen(7, {0, 0, 2560, 1440})});

    EXPECT_EQ(host->window(7), seven);
    EXPECT_EQ(host->window(3), three);
    EXPECT_EQ(seven->surface().displayIndex(), 1);
    EXPECT_EQ(three->surface().displayIndex(), 0);
    EXPECT_EQ(host->orderedWindows().front(), three);
    EXPECT_EQ(backend.fakeWindow(7)->pixelFrame(), (PixelRect{0, 0, 2560, 1440}));
    EXPECT_EQ(backend.fakeWindow(3)->frameChanges, 0);
    EXPECT_EQ(seven->surface().drawableWidth(), 2560);
    EXPECT_EQ(events, (std::vector<std::string>{"display 7 resized to (0.0, 0.0, 2560.0, 1440.0)"}));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(backend.created, 2);
}

TEST_F(WallpaperHostTest, AnUnpluggedDisplayLosesItsWindowAndComesBackWithANewOne) {
    backend.setScreens({testScreen(7, {0, 0, 1920, 1080}), testScreen(3, {1920, 0, 1280, 1024})});
    const SceneSurfaceView* oldSurface = &host->window(3)->surface();
    events.clear();
    changes = 0;

    backend.setScreens({testScreen(7, {0, 0, 1920, 1080})});
    EXPECT_EQ(host->window(3), nullptr);
    EXPECT_EQ(backend.fakeWindow(3), nullptr);
    ASSERT_EQ(driver->surfaces().size(), 1u);
    EXPECT_EQ(driver->surfaces().front(), &host->window(7)->surface());
    EXPECT_EQ(events, (std::vector<std::string>{"display 3 removed"}));
    EXPECT_EQ(changes, 1);

    backend.setScreens({testScreen(7, {0, 0, 1920, 1080}), testScreen(3, {1920, 0, 1280, 1024})});
    ASSERT_NE(host->window(3), nullptr);
    EXPECT_EQ(driver->surfaces().size(), 2u);
    EXPECT_EQ(backend.created, 3) << "a display that comes back gets a new window" << oldSurface;
}

TEST_F(WallpaperHostTest, OcclusionOfHeldWindowsOnly) {
    backend.setScreens({testScreen(7, {0, 0, 1920, 1080}), testScreen(3, {1920, 0, 1280, 1024})});
    events.clear();
    changes = 0;

    backend.setVisible(*backend.fakeWindow(3), false);
    EXPECT_FALSE(host->window(3)->visible());
    EXPECT_TRUE(host->window(7)->visible());
    backend.setVisible(*backend.fakeWindow(3), true);
    EXPECT_EQ(events, (std::vector<std::string>{"occlusion display 3: covered", "occlusion display 3: visible"}));
    EXPECT_EQ(changes, 2);

    // A replaced window for the same display, or an idle window, is not the host's.
    lumen::app::test::FakeDesktopWindow stranger(testScreen(3, {1920, 0, 1280, 1024}));
    backend.setVisible(stranger, false);
    lumen::app::test::FakeDesktopWindow unknown(testScreen(99, {0, 0, 10, 10}));
    backend.setVisible(unknown, false);
    EXPECT_EQ(events.size(), 2u);
    EXPECT_EQ(changes, 2);
}

TEST_F(WallpaperHostTest, OnlyMainDisplayIsReadAtEachRebuild) {
    bool only = true;
    host->onlyMainDisplay = [&only] { return only; };
    backend.setScreens({testScreen(7, {0, 0, 1920, 1080}), testScreen(3, {1920, 0, 1280, 1024})});
    ASSERT_EQ(host->windows().size(), 1u);
    EXPECT_NE(host->window(7), nullptr);

    only = false;
    EXPECT_EQ(host->windows().size(), 1u);
    host->rebuild();
    EXPECT_EQ(host->windows().size(), 2u);
}

TEST_F(WallpaperHostTest, ScreensThatGetNoWindow) {
    // No identifier, then a backend that cannot make windows, then no screens at all.
    backend.setScreens({testScreen(0, {0, 0, 1920, 1080}), testScreen(3, {1920, 0, 1280, 1024})});
    EXPECT_EQ(host->windows().size(), 1u);
    EXPECT_EQ(host->window(3)->surface().displayIndex(), 1) << "the index is the position in the screen list";

    backend.refuseWindows = true;
    backend.setScreens({testScreen(3, {1920, 0, 1280, 1024}), testScreen(5, {0, 0, 800, 600})});
    EXPECT_EQ(host->windows().size(), 1u);
    EXPECT_EQ(events.back(), "display 5: the wallpaper window could not be made");

    changes = 0;
    backend.setScreens({});
    EXPECT_TRUE(host->windows().empty());
    EXPECT_TRUE(driver->surfaces().empty());
    EXPECT_EQ(changes, 1);
}

TEST_F(WallpaperHostTest, GoingAwayTakesEverythingDown) {
    backend.setScreens({testScreen(7, {0, 0, 1920, 1080}), testScreen(3, {1920, 0, 1280, 1024})});
    host.reset();
    EXPECT_FALSE(backend.hasHandlers());
    EXPECT_EQ(backend.destroyed, 2);
    EXPECT_TRUE(driver->surfaces().empty());
}

TEST(WallpaperHostText, RectanglesAndScalesAsTheLogWritesThem) {
    EXPECT_EQ(WallpaperHost::rectText({0, 0, 1512, 982}), "(0.0, 0.0, 1512.0, 982.0)");
    EXPECT_EQ(WallpaperHost::rectText({-1280, 0.5, 1280, 720.25}), "(-1280.0, 0.5, 1280.0, 720.25)");
    EXPECT_EQ(WallpaperHost::decimalText(2), "2.0");
    EXPECT_EQ(WallpaperHost::decimalText(1.25), "1.25");
}

}  // namespace
