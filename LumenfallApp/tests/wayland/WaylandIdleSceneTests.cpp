#include "support/HeadlessSway.hpp"
#include "support/GradientWallpaper.hpp"
#include "support/VirtualPointer.hpp"

#include "desktop/IdleScene.hpp"
#include "platform/wayland/WaylandBackend.hpp"

#include <gtest/gtest.h>

namespace lumen::app {
namespace {

using lumen::test::waitFor;
using namespace lumen::app::test;

// The wallpaper assembled in this process over the Wayland backend, on a private headless sway:
// a device on the backend's connection, the gradient scene's host, the frame driver, the wallpaper host.
class WaylandIdleSceneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string reason;
        sway = lumen::test::HeadlessSway::start(reason);
        if (!sway) GTEST_SKIP() << "no headless sway: " << reason;
        registerGradientScene();
        std::string error;
        backend = WaylandBackend::open(sway->socketPath().c_str(), &error);
        ASSERT_TRUE(backend) << error;
        if (!parts.makeDevice(*backend, error)) GTEST_SKIP() << error;
        ASSERT_TRUE(parts.assemble(*backend));
        parts.wallpaper->rebuild();
    }
    void TearDown() override
    {
        parts.reset();
        backend.reset();
        sway.reset();
    }

    std::unique_ptr<lumen::test::HeadlessSway> sway;
    std::unique_ptr<WaylandBackend> backend;
    GradientWallpaper parts;
};

// The outputs as screens, in the compositor's order, with their logical geometry.
TEST_F(WaylandIdleSceneTest, OutputsAreScreens)
{
    const auto& screens = backend->screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].name, "HEADLESS-1");
    EXPECT_EQ(screens[0].frame, (PixelRect{0, 0, 640, 360}));
    EXPECT_TRUE(screens[0].primary);
    EXPECT_EQ(screens[1].name, "HEADLESS-2");
    EXPECT_EQ(screens[1].frame, (PixelRect{640, 0, 512, 384}));
    EXPECT_FALSE(screens[1].primary);
    EXPECT_TRUE(backend->hasToplevelList());
    EXPECT_EQ(parts.wallpaper->windows().size(), 2u);

    // At scale 2 the output is 320x180 logical points, still 640x360 pixels.
    ASSERT_TRUE(sway->command("output HEADLESS-1 scale 2"));
    ASSERT_TRUE(waitFor([&] { return backend->screens().front().scale == 2.0; }));
    EXPECT_EQ(backend->screens().front().frame, (PixelRect{0, 0, 640, 360}));
    auto* window = backend->window(backend->screens().front().id);
    ASSERT_TRUE(window);
    EXPECT_TRUE(waitFor([&] { return window->surface() && window->surface()->size() == std::pair{640, 360}; }));
}

// The pointer over a wallpaper surface, in screen pixels (the layout here is 1152x384).
TEST_F(WaylandIdleSceneTest, ThePointerIsKnownOverTheWallpaper)
{
    lumen::test::VirtualPointer pointer(sway->socketPath());
    ASSERT_TRUE(pointer.ok());
    for (const PixelPoint at : {PixelPoint{700, 100}, PixelPoint{20, 300}, PixelPoint{1000, 50}}) {
        EXPECT_TRUE(waitFor([&] {
            pointer.moveTo(static_cast<std::uint32_t>(at.x), static_cast<std::uint32_t>(at.y), 1152, 384);
            return backend->pointerPosition() == at;
        })) << at.x << "," << at.y << " read as " << backend->pointerPosition().value_or(PixelPoint{-1, -1}).x << ","
            << backend->pointerPosition().value_or(PixelPoint{-1, -1}).y;
    }
}

// Idle as the compositor reports it shows the scene on overlay surfaces over every output, which
// hide the wallpaper; the pointer moving over them, past the grace, takes them away.
TEST_F(WaylandIdleSceneTest, TheIdleSceneShowsUntilThePointerMoves)
{
    ASSERT_TRUE(backend->hasIdleNotifications());
    IdleScene idle(*backend, *parts.driver, parts.gpu->device.get());
    idle.enabled = true;
    idle.minutes = 0;
    EXPECT_LT(backend->idleSeconds().value_or(99), 1.0) << "no idle reported yet";
    ASSERT_TRUE(waitFor([&] { return backend->idleSeconds().value_or(0) >= WaylandIdleMonitor::threshold; },
                        std::chrono::seconds(20)));
    idle.check();
    ASSERT_TRUE(idle.showing());
    ASSERT_EQ(backend->idleWindows().size(), 2u);
    for (auto* window : backend->idleWindows()) EXPECT_TRUE(window->onScreen());
    EXPECT_TRUE(waitFor([&] {
        return std::all_of(idle.windows().begin(), idle.windows().end(),
                           [](auto& w) { return w->surface().stats().totals().frames > 0; });
    }, std::chrono::seconds(30)));
    EXPECT_TRUE(waitFor([&] {
        return std::none_of(parts.wallpaper->windows().begin(), parts.wallpaper->windows().end(),
                            [](const auto& w) { return w.second->visible(); });
    })) << "idle windows count as covering the wallpaper under them";

    lumen::test::VirtualPointer pointer(sway->socketPath());
    ASSERT_TRUE(pointer.ok());
    // Shown again on a clock of the test's: the motion comes past the grace.
    idle.dismiss();
    double now = 100;
    idle.mediaTime = [&] { return now; };
    idle.show();
    ASSERT_TRUE(idle.showing());
    now += IdleScene::inputGrace + 1;
    bool pointed = false;  // the pointer was seen over our surfaces
    ASSERT_TRUE(waitFor([&] {
        pointer.move(7, 3);
        pointed |= backend->pointerPosition().has_value();
        return !idle.showing();
    }));
    EXPECT_TRUE(pointed);
    EXPECT_TRUE(backend->idleWindows().empty());
    EXPECT_TRUE(waitFor([&] { return backend->idleSeconds().value_or(99) < WaylandIdleMonitor::threshold; }))
        << "the motion was input to the compositor too";
}

}  // namespace
}  // namespace lumen::app
