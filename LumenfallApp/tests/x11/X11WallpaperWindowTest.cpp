#include "support/X11TestClient.hpp"
#include "support/XServer.hpp"
#include "platform/x11/X11Backend.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using lumen::app::DesktopWindow;
using lumen::app::PixelRect;
using lumen::app::Screen;
using lumen::app::X11Backend;
using lumen::test::waitFor;
using lumen::test::X11TestClient;
using lumen::test::XServer;

namespace {

// Two monitors and openbox managing them; the backend with one wallpaper window per monitor.
class X11DesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string reason;
        server = XServer::start(reason);
        if (!server) {
            GTEST_SKIP() << reason;
        }
        if (!lumen::test::haveProgram("openbox") || !lumen::test::haveProgram("xdotool")) {
            GTEST_SKIP() << "openbox or xdotool is not installed";
        }
        ASSERT_TRUE(server->run("xrandr --setmonitor LEFT 960/254x1080/286+0+0 screen"));
        ASSERT_TRUE(server->run("xrandr --setmonitor RIGHT 960/254x1080/286+960+0 none"));
        ASSERT_TRUE(server->startWindowManager());
        std::string error;
        backend = X11Backend::open(server->display().c_str(), &error);
        ASSERT_TRUE(backend) << error;
        client = std::make_unique<X11TestClient>(server->display());
        ASSERT_TRUE(client->ok());
        screens = backend->screens();
        ASSERT_EQ(screens.size(), 2u);
        backend->setOcclusionChangedHandler([this](DesktopWindow& w) {
            occlusionReports.emplace_back(w.displayID(), w.visible());
        });
        for (const Screen& s : screens) {
            ASSERT_TRUE(backend->createWindow(s, nullptr));
        }
        ASSERT_TRUE(waitFor([&] {
            return std::all_of(screens.begin(), screens.end(),
                               [&](const Screen& s) { return backend->window(s.id)->onScreen(); }) &&
                   inStacking(backend->windowId(screens[0].id)) && inStacking(backend->windowId(screens[1].id));
        })) << "mapped " << backend->window(screens[0].id)->onScreen() << backend->window(screens[1].id)->onScreen()
            << " listed " << inStacking(backend->windowId(screens[0].id)) << inStacking(backend->windowId(screens[1].id));
    }

    bool inStacking(xcb_window_t window) const
    {
        const auto list = client->cardinals(client->root(), "_NET_CLIENT_LIST_STACKING");
        return std::find(list.begin(), list.end(), window) != list.end();
    }

    bool visible(std::size_t screen) const { return backend->window(screens[screen].id)->visible(); }

    std::unique_ptr<XServer> server;
    std::unique_ptr<X11Backend> backend;
    std::unique_ptr<X11TestClient> client;
    std::vector<Screen> screens;
    std::vector<std::pair<std::uint32_t, bool>> occlusionReports;
};

std::string windowArg(xcb_window_t w) { return std::to_string(w); }

}  // namespace

TEST_F(X11DesktopTest, OneDesktopWindowPerMonitorAtItsFrame)
{
    for (const Screen& s : screens) {
        const xcb_window_t w = backend->windowId(s.id);
        ASSERT_NE(w, XCB_NONE);
        EXPECT_EQ(backend->window(s.id)->displayID(), s.id);
        EXPECT_TRUE(waitFor([&] { return client->geometry(w) == s.frame; }))
            << client->geometry(w).x << "," << client->geometry(w).y << " " << client->geometry(w).width << "x"
            << client->geometry(w).height;

        EXPECT_EQ(client->cardinals(w, "_NET_WM_WINDOW_TYPE"),
                  (std::vector<std::uint32_t>{client->atom("_NET_WM_WINDOW_TYPE_DESKTOP")}));
        // Once mapped the window manager owns _NET_WM_STATE and keeps only the states it supports
        // (openbox expresses sticky through _NET_WM_DESKTOP alone).
        const auto state = client->cardinals(w, "_NET_WM_STATE");
        const auto supported = client->cardinals(client->root(), "_NET_SUPPORTED");
        for (const char* name :
             {"_NET_WM_STATE_BELOW", "_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
            const xcb_atom_t atom = client->atom(name);
            if (std::find(supported.begin(), supported.end(), atom) != supported.end()) {
                EXPECT_NE(std::find(state.begin(), state.end(), atom), state.end()) << name;
            }
        }
        EXPECT_EQ(client->cardinals(w, "_NET_WM_DESKTOP"), (std::vector<std::uint32_t>{0xFFFFFFFFu}));
        // Clicks pass through: the input shape has no rectangles at all.
        EXPECT_EQ(client->inputRectangles(w), 0);
        EXPECT_TRUE(backend->window(s.id)->visible());
    }
    // A monitor's new frame is taken as asked, window manager or not.
    DesktopWindow* right = backend->window(screens[1].id);
    right->setFrame({960, 100, 640, 480}, 1.0, 60.0);
    EXPECT_TRUE(waitFor([&] { return client->geometry(backend->windowId(screens[1].id)) == PixelRect{960, 100, 640, 480}; }));
    EXPECT_EQ(right->pixelFrame(), (PixelRect{960, 100, 640, 480}));
    EXPECT_DOUBLE_EQ(right->refreshRate(), 60.0);

    // Gone when destroyed.
    const xcb_window_t first = backend->windowId(screens[0].id);
    backend->destroyWindow(screens[0].id);
    EXPECT_EQ(backend->window(screens[0].id), nullptr);
    EXPECT_TRUE(waitFor([&] { return !inStacking(first); }));
}

TEST_F(X11DesktopTest, AWindowCoveringOneMonitorCoversOnlyThatOne)
{
    ASSERT_TRUE(visible(0));
    ASSERT_TRUE(visible(1));
    const xcb_window_t app = client->makeWindow({0, 0, 960, 1080});
    ASSERT_TRUE(waitFor([&] { return !visible(0); }));
    EXPECT_TRUE(visible(1));
    ASSERT_FALSE(occlusionReports.empty());
    EXPECT_EQ(occlusionReports.back(), std::make_pair(screens[0].id, false));
    EXPECT_TRUE(std::none_of(occlusionReports.begin(), occlusionReports.end(),
                             [&](const auto& r) { return r.first == screens[1].id; }));

    // Minimised: the monitor shows again.
    ASSERT_TRUE(server->run("xdotool windowminimize " + windowArg(app)));
    ASSERT_TRUE(waitFor([&] { return visible(0); }));
    EXPECT_EQ(occlusionReports.back(), std::make_pair(screens[0].id, true));

    // Back, but one pixel short of the monitor's right edge.
    ASSERT_TRUE(server->run("xdotool windowmap " + windowArg(app)));
    ASSERT_TRUE(waitFor([&] { return !visible(0); }));
    ASSERT_TRUE(server->run("xdotool windowsize " + windowArg(app) + " 959 1080"));
    ASSERT_TRUE(waitFor([&] { return visible(0); }));
    // Spilling over onto the other monitor covers this one again, and the other not.
    ASSERT_TRUE(server->run("xdotool windowsize " + windowArg(app) + " 1200 1080"));
    ASSERT_TRUE(waitFor([&] { return !visible(0); }));
    EXPECT_TRUE(visible(1));

    // Closed: visible again.
    xcb_destroy_window(client->connection(), app);
    xcb_flush(client->connection());
    EXPECT_TRUE(waitFor([&] { return visible(0); }));
    EXPECT_TRUE(visible(1));
}

TEST_F(X11DesktopTest, TwoWindowsTogetherCoverAMonitor)
{
    const xcb_window_t first = client->makeWindow({960, 0, 480, 1080});
    ASSERT_TRUE(waitFor([&] { return inStacking(first); }));
    const xcb_window_t second = client->makeWindow({1440, 0, 480, 1000});
    // Not yet: 80 rows at the bottom right are open.
    ASSERT_TRUE(waitFor([&] { return inStacking(second); }));
    waitFor([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_TRUE(visible(1));
    ASSERT_TRUE(server->run("xdotool windowsize " + windowArg(second) + " 480 1080"));
    EXPECT_TRUE(waitFor([&] { return !visible(1); }));
    EXPECT_TRUE(visible(0));
}

TEST_F(X11DesktopTest, AFullscreenApplicationCoversItsMonitor)
{
    const xcb_window_t app = client->makeWindow({1100, 100, 200, 200});
    waitFor([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_TRUE(visible(1));
    client->requestFullscreen(app);
    EXPECT_TRUE(waitFor([&] { return !visible(1); }));
    EXPECT_TRUE(visible(0));
}
