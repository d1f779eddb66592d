#include "DesktopRig.hpp"

#include "support/XServer.hpp"

#include "desktop/IdleScene.hpp"
#include "render/DisplayLink.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace lumen;
using namespace lumen::app;
using lumen::app::test::DesktopRig;
using lumen::app::test::runFor;
using lumen::app::test::twoMonitors;
using lumen::test::waitFor;

namespace {

xcb_window_t activeWindow(const DesktopRig& rig) {
    const auto active = rig.client->cardinals(rig.client->root(), "_NET_ACTIVE_WINDOW");
    return active.empty() ? XCB_NONE : active.front();
}

// The root's children from the bottom up.
std::vector<xcb_window_t> stackingOrder(const DesktopRig& rig) {
    xcb_connection_t* c = rig.client->connection();
    auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, rig.client->root()), nullptr);
    std::vector<xcb_window_t> order;
    if (tree) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        order.assign(children, children + xcb_query_tree_children_length(tree));
    }
    std::free(tree);
    return order;
}

// Whether the idle windows are the topmost children of the root.
bool idleOnTop(const DesktopRig& rig, const std::vector<xcb_window_t>& idle) {
    const auto order = stackingOrder(rig);
    if (order.size() < idle.size()) return false;
    return std::is_permutation(order.end() - static_cast<std::ptrdiff_t>(idle.size()), order.end(), idle.begin());
}

// An override-redirect window, as notifications and menus are, mapped.
xcb_window_t makePopup(const DesktopRig& rig, const PixelRect& frame) {
    xcb_connection_t* c = rig.client->connection();
    const xcb_window_t w = xcb_generate_id(c);
    const std::uint32_t values[] = {0xFFFFFF, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, rig.client->root(), static_cast<std::int16_t>(frame.x),
                      static_cast<std::int16_t>(frame.y), static_cast<std::uint16_t>(frame.width),
                      static_cast<std::uint16_t>(frame.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, w);
    xcb_flush(c);
    return w;
}

bool wallpaperVisible(const DesktopRig& rig, bool visible) {
    const auto windows = rig.wallpaper->orderedWindows();
    return std::all_of(windows.begin(), windows.end(), [&](const WallpaperWindow* w) { return w->visible() == visible; });
}

// Two monitors under openbox, another application active: the idle scene covers both monitors
// above everything, draws, and goes at a key press or, past the grace, a pointer motion, giving
// the focus back each time.
TEST(IdleDesktop, CoversEveryMonitorUntilInput) {
    if (!lumen::test::haveProgram("xdotool")) GTEST_SKIP() << "xdotool is not installed";
    std::string reason;
    auto rig = DesktopRig::start("640x240", twoMonitors, lumen::app::test::gradientInfo(), true, reason);
    if (!rig) GTEST_SKIP() << reason;
    EXPECT_EQ(rig->backend->displaysAsleep(), std::nullopt) << "Xvfb has no DPMS";
    rig->wallpaper->rebuild();
    const std::vector<Screen> screens = rig->backend->screens();
    ASSERT_EQ(screens.size(), 2u);

    const xcb_window_t app = rig->client->makeWindow({20, 20, 200, 120});
    ASSERT_TRUE(rig->server->run("xdotool windowactivate " + std::to_string(app)));
    ASSERT_TRUE(waitFor([&] { return activeWindow(*rig) == app; }));

    IdleScene idle(*rig->backend, *rig->driver, rig->gpu->device.get());
    idle.show();
    ASSERT_EQ(idle.windows().size(), 2u);
    EXPECT_EQ(idle.previousWindow(), app);
    const std::vector<xcb_window_t> ids = rig->backend->idleWindowIds();
    ASSERT_EQ(ids.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) EXPECT_EQ(rig->client->geometry(ids[i]), screens[i].frame);
    EXPECT_TRUE(rig->backend->inputGrabbed());
    ASSERT_TRUE(waitFor([&] {
        return idle.windows()[0]->surface().stats().totals().frames > 0 &&
               idle.windows()[1]->surface().stats().totals().frames > 0;
    }, std::chrono::seconds(30)));
    EXPECT_TRUE(waitFor([&] { return wallpaperVisible(*rig, false); })) << "the idle windows cover the wallpaper";

    // Windows that come up meanwhile go below the idle windows: an application activated, and a
    // popup that no window manager stacks (made on top of everything).
    const xcb_window_t late = rig->client->makeWindow({100, 60, 300, 120});
    ASSERT_TRUE(rig->server->run("xdotool windowactivate " + std::to_string(late)));
    ASSERT_TRUE(waitFor([&] { return activeWindow(*rig) == late; }));
    makePopup(*rig, {400, 20, 100, 50});
    EXPECT_TRUE(waitFor([&] { return idleOnTop(*rig, ids); }));
    runFor(0.2);
    EXPECT_TRUE(idleOnTop(*rig, ids));

    ASSERT_TRUE(rig->server->run("xdotool key a"));
    ASSERT_TRUE(waitFor([&] { return !idle.showing(); }));
    EXPECT_TRUE(rig->backend->idleWindowIds().empty());
    EXPECT_FALSE(rig->backend->inputGrabbed());
    EXPECT_TRUE(waitFor([&] { return activeWindow(*rig) == app; })) << "the window active before is active again";
    EXPECT_TRUE(waitFor([&] { return wallpaperVisible(*rig, true); }));

    idle.show();
    ASSERT_TRUE(idle.showing());
    const double shownAt = idle.shownAt();
    runFor(0.4);
    ASSERT_TRUE(idle.showing()) << "nothing happened yet";
    ASSERT_TRUE(rig->server->run("xdotool mousemove 500 200"));
    ASSERT_TRUE(waitFor([&] { return !idle.showing(); }));
    EXPECT_GT(DisplayLink::now() - shownAt, IdleScene::inputGrace);
    EXPECT_TRUE(waitFor([&] { return activeWindow(*rig) == app; }));
}

}  // namespace
