#include "X11Rig.hpp"

#include <algorithm>

using namespace lumen::app;
using lumen::test::waitFor;

namespace {

// The same two monitors with openbox managing them, and one wallpaper window per monitor.
class X11WallpaperWindowTest : public lumen::app::test::X11Test {
protected:
    static void SetUpTestSuite() { startServer(true); }

    void SetUp() override
    {
        X11Test::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        backend->setOcclusionChangedHandler([this](DesktopWindow& w) { reports.emplace_back(w.displayID(), w.visible()); });
        for (const Screen& s : screens) ASSERT_TRUE(backend->createWindow(s, nullptr));
        ASSERT_TRUE(waitFor([&] {
            return window(0).onScreen() && window(1).onScreen() && managed(backend->windowId(screens[0].id)) &&
                   managed(backend->windowId(screens[1].id));
        }));
    }

    bool managed(xcb_window_t window) const
    {
        const auto list = client->cardinals(client->root(), "_NET_CLIENT_LIST_STACKING");
        return std::find(list.begin(), list.end(), window) != list.end();
    }

    bool xdotool(const std::string& command, xcb_window_t window, const std::string& rest = {}) const
    {
        return server->run("xdotool " + command + " " + std::to_string(window) + rest);
    }

    std::vector<std::pair<std::uint32_t, bool>> reports;
};

TEST_F(X11WallpaperWindowTest, ADesktopWindowAtEachMonitorsFrame)
{
    const auto supported = client->cardinals(client->root(), "_NET_SUPPORTED");
    for (const Screen& s : screens) {
        const xcb_window_t w = backend->windowId(s.id);
        EXPECT_TRUE(waitFor([&] { return client->geometry(w) == s.frame; }));
        // Once mapped the window manager owns _NET_WM_STATE and keeps only the states it supports
        // (openbox expresses sticky through _NET_WM_DESKTOP alone).
        const auto state = client->cardinals(w, "_NET_WM_STATE");
        for (const char* name :
             {"_NET_WM_STATE_BELOW", "_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
            const xcb_atom_t atom = client->atom(name);
            if (std::find(supported.begin(), supported.end(), atom) != supported.end()) {
                EXPECT_NE(std::find(state.begin(), state.end(), atom), state.end()) << name;
            }
        }
        EXPECT_TRUE(backend->window(s.id)->visible());
    }
    // A monitor's new frame is taken as asked, window manager or not.
    window(1).setFrame({960, 100, 640, 480}, 1.0, 60.0);
    EXPECT_TRUE(waitFor([&] { return client->geometry(backend->windowId(screens[1].id)) == PixelRect{960, 100, 640, 480}; }));
    EXPECT_EQ(window(1).pixelFrame(), (PixelRect{960, 100, 640, 480}));

    const xcb_window_t first = backend->windowId(screens[0].id);
    backend->destroyWindow(screens[0].id);
    EXPECT_EQ(backend->window(screens[0].id), nullptr);
    EXPECT_TRUE(waitFor([&] { return !managed(first); }));
}

// What the window manager does to other windows reaches the monitor they are on, and only that one.
TEST_F(X11WallpaperWindowTest, OtherWindowsCoverTheMonitorTheyFill)
{
    const xcb_window_t app = client->makeWindow({0, 0, 960, 1080});
    ASSERT_TRUE(waitFor([&] { return !visible(0); }));
    EXPECT_TRUE(visible(1));
    EXPECT_EQ(reports, (std::vector<std::pair<std::uint32_t, bool>>{{screens[0].id, false}}));

    ASSERT_TRUE(xdotool("windowminimize", app));
    EXPECT_TRUE(waitFor([&] { return visible(0); }));
    ASSERT_TRUE(xdotool("windowmap", app));
    EXPECT_TRUE(waitFor([&] { return !visible(0); }));
    ASSERT_TRUE(xdotool("windowsize", app, " 959 1080"));
    EXPECT_TRUE(waitFor([&] { return visible(0); })) << "one column short";
    // A second window closes the gap: the two together cover it.
    const xcb_window_t other = client->makeWindow({900, 0, 60, 1080});
    EXPECT_TRUE(waitFor([&] { return !visible(0); }));
    xcb_destroy_window(client->connection(), app);
    xcb_destroy_window(client->connection(), other);
    xcb_flush(client->connection());
    EXPECT_TRUE(waitFor([&] { return visible(0); }));

    // A small window made fullscreen fills its monitor.
    const xcb_window_t small = client->makeWindow({1100, 100, 200, 200});
    ASSERT_TRUE(waitFor([&] { return managed(small); }));
    EXPECT_TRUE(visible(1));
    client->requestFullscreen(small);
    EXPECT_TRUE(waitFor([&] { return !visible(1); }));
    EXPECT_TRUE(visible(0));
}

}  // namespace
