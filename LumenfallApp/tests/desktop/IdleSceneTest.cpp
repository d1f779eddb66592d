#include "DesktopRig.hpp"

#include "desktop/IdleScene.hpp"

using namespace lumen;
using namespace lumen::app;
using lumen::test::waitFor;

namespace {

using IdleSceneTest = lumen::app::test::DesktopTest;

xcb_window_t activeWindow(const lumen::test::X11TestClient& client) {
    const auto active = client.cardinals(client.root(), "_NET_ACTIVE_WINDOW");
    return active.empty() ? XCB_NONE : active.front();
}

// Whether these windows are the topmost children of the root.
bool onTop(const lumen::test::X11TestClient& client, const std::vector<xcb_window_t>& windows) {
    auto* tree = xcb_query_tree_reply(client.connection(), xcb_query_tree(client.connection(), client.root()), nullptr);
    std::vector<xcb_window_t> order;
    if (tree) order.assign(xcb_query_tree_children(tree), xcb_query_tree_children(tree) + tree->children_len);
    std::free(tree);
    return order.size() >= windows.size() &&
           std::is_permutation(order.end() - static_cast<std::ptrdiff_t>(windows.size()), order.end(), windows.begin());
}

// With another application active, the idle scene covers both monitors above everything, even
// windows that come later, draws, and goes at a key press or, past the grace, a pointer motion,
// giving the focus back each time.
TEST_F(IdleSceneTest, CoversEveryMonitorUntilInput) {
    const xcb_window_t app = client->makeWindow({20, 20, 200, 120});
    ASSERT_TRUE(server->run("xdotool windowactivate " + std::to_string(app)));
    ASSERT_TRUE(waitFor([&] { return activeWindow(*client) == app; }));
    auto wallpaperCovered = [&](bool covered) {
        return std::all_of(wallpaper->windows().begin(), wallpaper->windows().end(),
                           [&](const auto& w) { return w.second->visible() != covered; });
    };

    // Idle long enough (no minutes at all here) shows it, unless disallowed or an application keeps
    // the displays awake; that is asked last, over D-Bus, only when it matters.
    IdleScene idle(*backend, *driver, gpu->device.get());
    idle.enabled = true;
    // Idle for seconds only, not for the chosen minute: nothing shows yet.
    idle.minutes = 1;
    ASSERT_TRUE(waitFor([&] { return backend->idleSeconds().value_or(0) >= 7; }, std::chrono::seconds(15)));
    idle.check();
    EXPECT_FALSE(idle.showing());
    idle.minutes = 0;
    int asked = 0;
    idle.allowed = [] { return false; };
    idle.displaySleepPrevented = [&] { return ++asked > 0; };
    idle.check();
    EXPECT_FALSE(idle.showing());
    idle.allowed = {};
    idle.check();
    EXPECT_FALSE(idle.showing());
    EXPECT_EQ(asked, 1);
    idle.displaySleepPrevented = {};
    idle.check();
    ASSERT_EQ(idle.windows().size(), 2u);
    EXPECT_EQ(idle.previousWindow(), app);
    EXPECT_EQ(idle.checkInterval(), IdleScene::showingInterval);
    const std::vector<xcb_window_t> ids = backend->idleWindowIds();
    ASSERT_EQ(ids.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) EXPECT_EQ(client->geometry(ids[i]), backend->screens()[i].frame);
    EXPECT_TRUE(backend->inputGrabbed());
    EXPECT_TRUE(waitFor([&] {
        return std::all_of(idle.windows().begin(), idle.windows().end(),
                           [](auto& w) { return w->surface().stats().totals().frames > 0; });
    }, std::chrono::seconds(30)));
    EXPECT_TRUE(waitFor([&] { return wallpaperCovered(true); }));

    // An application activated meanwhile, and a popup no window manager stacks, go below.
    const xcb_window_t late = client->makeWindow({100, 60, 300, 120});
    ASSERT_TRUE(server->run("xdotool windowactivate " + std::to_string(late)));
    ASSERT_TRUE(waitFor([&] { return activeWindow(*client) == late; }));
    const xcb_window_t popup = xcb_generate_id(client->connection());
    const std::uint32_t values[] = {0xFFFFFF, 1};
    xcb_create_window(client->connection(), XCB_COPY_FROM_PARENT, popup, client->root(), 400, 20, 100, 50, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(client->connection(), popup);
    xcb_flush(client->connection());
    EXPECT_TRUE(waitFor([&] { return onTop(*client, ids); }));
    lumen::app::test::runFor(0.2);
    EXPECT_TRUE(onTop(*client, ids));

    ASSERT_TRUE(server->run("xdotool key a"));
    ASSERT_TRUE(waitFor([&] { return !idle.showing(); }));
    EXPECT_TRUE(backend->idleWindowIds().empty());
    EXPECT_FALSE(backend->inputGrabbed());
    EXPECT_EQ(idle.checkInterval(), IdleScene::waitingInterval);
    EXPECT_TRUE(waitFor([&] { return activeWindow(*client) == app; })) << "the window active before is active again";
    EXPECT_TRUE(waitFor([&] { return wallpaperCovered(false); }));

    // Motion within the grace may be what opened the windows: they stay. Past it, they go.
    double now = 100;
    idle.mediaTime = [&] { return now; };
    idle.show();
    now += IdleScene::inputGrace / 2;
    ASSERT_TRUE(server->run("xdotool mousemove 300 100"));
    ASSERT_TRUE(waitFor([&] { return backend->pointerPosition() == PixelPoint{300, 100}; }));
    lumen::app::test::runFor(0.3);
    ASSERT_TRUE(idle.showing());
    now += IdleScene::inputGrace;
    ASSERT_TRUE(server->run("xdotool mousemove 500 200"));
    ASSERT_TRUE(waitFor([&] { return !idle.showing(); }));
    EXPECT_TRUE(waitFor([&] { return activeWindow(*client) == app; }));
}

}  // namespace
