#include "support/XServer.hpp"

#include "platform/x11/X11Backend.hpp"
#include "platform/x11/X11Monitors.hpp"

#include <gtest/gtest.h>

using namespace lumen::app;
using lumen::test::waitFor;

namespace {

std::vector<std::string> names(const std::vector<Screen>& screens)
{
    std::vector<std::string> out;
    for (const Screen& s : screens) out.push_back(s.name);
    return out;
}

// One private Xvfb for the suite, without a window manager, with two 960x1080 monitors side by
// side: the output's own on the left, a virtual one on the right. A fresh backend and a second
// client per test.
class X11BackendTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = lumen::test::XServer::start(reason);
        if (server && !server->run("xrandr --setmonitor LEFT 960/254x1080/286+0+0 screen")) server.reset();
    }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override
    {
        if (!server) GTEST_SKIP() << "no Xvfb with RandR monitors: " << reason;
        server->run("xrandr --delmonitor RIGHT");  // whatever an earlier test made of it
        ASSERT_TRUE(server->run("xrandr --setmonitor RIGHT 960/254x1080/286+960+0 none"));
        std::string error;
        backend = X11Backend::open(server->display().c_str(), &error);
        ASSERT_TRUE(backend) << error;
        client = std::make_unique<lumen::test::X11TestClient>(server->display());
        screens = backend->screens();
        ASSERT_EQ(screens.size(), 2u);
    }

    bool visible(std::size_t screen) const { return backend->window(screens[screen].id)->visible(); }

    static inline std::unique_ptr<lumen::test::XServer> server;
    static inline std::string reason;
    std::unique_ptr<X11Backend> backend;
    std::unique_ptr<lumen::test::X11TestClient> client;
    std::vector<Screen> screens;
};

// Every change of the monitors is reported, and the screens are always in the system's order.
TEST_F(X11BackendTest, MonitorsInOrderAndEveryChangeOfThem)
{
    // Xvfb's output has no EDID: the connector name; the virtual monitor has only its own name.
    EXPECT_EQ(names(screens), (std::vector<std::string>{"screen", "RIGHT"}));
    EXPECT_EQ(screens[0].frame, (PixelRect{0, 0, 960, 1080}));
    EXPECT_EQ(screens[1].frame, (PixelRect{960, 0, 960, 1080}));
    EXPECT_NE(screens[0].id, 0u);
    EXPECT_EQ(screens[0].id & X11Monitors::virtualMonitorBit, 0u);
    EXPECT_EQ(screens[1].id, client->atom("RIGHT") | X11Monitors::virtualMonitorBit);

    std::vector<Screen> last;
    backend->setScreensChangedHandler([&] { last = backend->screens(); });
    // xrandr refuses to redefine a monitor in place; removing and adding it in one run resizes it.
    ASSERT_TRUE(server->run("xrandr --delmonitor RIGHT --setmonitor RIGHT 640/254x480/286+960+100 none"));
    EXPECT_TRUE(waitFor([&] { return last.size() == 2 && last[1].frame == PixelRect{960, 100, 640, 480}; }));
    ASSERT_TRUE(server->run("xrandr --delmonitor RIGHT"));
    EXPECT_TRUE(waitFor([&] { return last.size() == 1; }));
    // Back as the primary monitor: first, wherever it is.
    ASSERT_TRUE(server->run("xrandr --setmonitor '*RIGHT' 960/254x1080/286+960+0 none"));
    EXPECT_TRUE(waitFor([&] { return names(last) == std::vector<std::string>{"RIGHT", "screen"}; }));
    EXPECT_TRUE(last[0].primary);
}

TEST_F(X11BackendTest, PointerPositionAndIdleTime)
{
    ASSERT_TRUE(server->run("xdotool mousemove 1234 567"));
    EXPECT_TRUE(waitFor([&] { return backend->pointerPosition() == PixelPoint{1234, 567}; }));
    const double first = backend->idleSeconds().value_or(-1);
    ASSERT_GE(first, 0);
    EXPECT_TRUE(waitFor([&] { return backend->idleSeconds().value_or(0) >= first + 0.5; })) << "grows without input";
    const double grown = backend->idleSeconds().value_or(0);
    ASSERT_TRUE(server->run("xdotool mousemove 10 1000"));
    EXPECT_TRUE(waitFor([&] { return backend->idleSeconds().value_or(1e9) < grown; })) << "restarts with input";
}

TEST_F(X11BackendTest, WindowsWithoutAWindowManagerKeepWhatWasSetAndStillSeeOcclusion)
{
    std::vector<std::uint32_t> states;
    for (const char* s : {"BELOW", "STICKY", "SKIP_TASKBAR", "SKIP_PAGER"}) {
        states.push_back(client->atom(std::string("_NET_WM_STATE_") + s));
    }
    const std::vector<std::uint32_t> desktopType{client->atom("_NET_WM_WINDOW_TYPE_DESKTOP")};
    for (const Screen& s : screens) {
        ASSERT_TRUE(backend->createWindow(s, nullptr));
        const xcb_window_t w = backend->windowId(s.id);
        ASSERT_TRUE(waitFor([&] { return backend->window(s.id)->onScreen(); }));
        EXPECT_EQ(client->geometry(w), s.frame);
        EXPECT_EQ(client->cardinals(w, "_NET_WM_WINDOW_TYPE"), desktopType);
        EXPECT_EQ(client->cardinals(w, "_NET_WM_STATE"), states);
        EXPECT_EQ(client->cardinals(w, "_NET_WM_DESKTOP"), std::vector<std::uint32_t>{0xFFFFFFFFu});
        EXPECT_EQ(client->inputRectangles(w), 0) << "clicks pass through";
    }
    // Without a stacking list the root's children, bottom to top, stand in.
    const xcb_window_t app = client->makeWindow({960, 0, 960, 1080});
    EXPECT_TRUE(waitFor([&] { return !visible(1); }));
    EXPECT_TRUE(visible(0));
    xcb_unmap_window(client->connection(), app);
    xcb_flush(client->connection());
    EXPECT_TRUE(waitFor([&] { return visible(1); }));
}

}  // namespace
