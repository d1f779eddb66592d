#include "support/X11TestClient.hpp"
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
        if (!server) GTEST_SKIP() << reason;
        server->run("xrandr --delmonitor RIGHT");  // whatever an earlier test made of it
        ASSERT_TRUE(server->run("xrandr --setmonitor RIGHT 960/254x1080/286+960+0 none"));
        std::string error;
        backend = X11Backend::open(server->display().c_str(), &error);
        ASSERT_TRUE(backend) << error;
        client = std::make_unique<lumen::test::X11TestClient>(server->display());
        screens = backend->screens();
        ASSERT_EQ(screens.size(), 2u);
    }

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

    std::vector<std::vector<Screen>> seen;
    backend->setScreensChangedHandler([&] { seen.push_back(backend->screens()); });
    // xrandr refuses to redefine a monitor in place; removing and adding it in one run resizes it.
    ASSERT_TRUE(server->run("xrandr --delmonitor RIGHT --setmonitor RIGHT 640/254x480/286+960+100 none"));
    EXPECT_TRUE(waitFor([&] { return !seen.empty() && seen.back().size() == 2 && seen.back()[1].frame == PixelRect{960, 100, 640, 480}; }));
    ASSERT_TRUE(server->run("xrandr --delmonitor RIGHT"));
    EXPECT_TRUE(waitFor([&] { return seen.back().size() == 1; }));
    // Back as the primary monitor: first, wherever it is.
    ASSERT_TRUE(server->run("xrandr --setmonitor '*RIGHT' 960/254x1080/286+960+0 none"));
    EXPECT_TRUE(waitFor([&] { return names(seen.back()) == std::vector<std::string>{"RIGHT", "screen"}; }));
    EXPECT_TRUE(backend->screens()[0].primary);

    std::string error;
    EXPECT_FALSE(X11Backend::open(":4094", &error));
    EXPECT_NE(error.find(":4094"), std::string::npos) << error;
}

TEST_F(X11BackendTest, XftDpiSetsTheBackingScale)
{
    if (!lumen::test::haveProgram("xrdb")) GTEST_SKIP() << "xrdb is not installed";
    EXPECT_DOUBLE_EQ(screens[0].scale, 1.0);
    ASSERT_TRUE(server->run("sh -c 'echo Xft.dpi: 192 | xrdb -nocpp -merge'"));
    EXPECT_TRUE(waitFor([&] { return backend->screens().at(0).scale == 2.0; }));
    // Frames stay in pixels; a window reports points.
    EXPECT_EQ(backend->screens()[0].frame, (PixelRect{0, 0, 960, 1080}));
    auto* window = backend->createWindow(backend->screens()[0], nullptr);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->frame(), (ScreenRect{0, 0, 480, 540}));
    EXPECT_DOUBLE_EQ(window->backingScale(), 2.0);
    server->run("xrdb -remove");
}

TEST_F(X11BackendTest, PointerPositionAndIdleTime)
{
    ASSERT_TRUE(server->run("xdotool mousemove 1234 567"));
    EXPECT_TRUE(waitFor([&] { return backend->pointerPosition() == PixelPoint{1234, 567}; }));
    const auto first = backend->idleSeconds();
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(waitFor([&] { return backend->idleSeconds().value_or(0) >= *first + 0.5; })) << "grows without input";
    const double grown = backend->idleSeconds().value_or(0);
    ASSERT_TRUE(server->run("xdotool mousemove 10 1000"));
    EXPECT_TRUE(waitFor([&] { return backend->idleSeconds().value_or(1e9) < grown; })) << "restarts with input";
}

TEST_F(X11BackendTest, WindowsWithoutAWindowManagerKeepWhatWasSetAndStillSeeOcclusion)
{
    for (const Screen& s : screens) {
        ASSERT_TRUE(backend->createWindow(s, nullptr));
        const xcb_window_t w = backend->windowId(s.id);
        ASSERT_TRUE(waitFor([&] { return backend->window(s.id)->onScreen(); }));
        EXPECT_EQ(client->geometry(w), s.frame);
        EXPECT_EQ(client->cardinals(w, "_NET_WM_WINDOW_TYPE"),
                  (std::vector<std::uint32_t>{client->atom("_NET_WM_WINDOW_TYPE_DESKTOP")}));
        std::vector<std::uint32_t> states;
        for (const char* s : {"BELOW", "STICKY", "SKIP_TASKBAR", "SKIP_PAGER"}) states.push_back(client->atom(std::string("_NET_WM_STATE_") + s));
        EXPECT_EQ(client->cardinals(w, "_NET_WM_STATE"), states);
        EXPECT_EQ(client->cardinals(w, "_NET_WM_DESKTOP"), (std::vector<std::uint32_t>{0xFFFFFFFFu}));
        // Clicks pass through: the input shape has no rectangles at all.
        EXPECT_EQ(client->inputRectangles(w), 0);
    }
    // Without a stacking list the root's children, bottom to top, stand in.
    const xcb_window_t app = client->makeWindow({960, 0, 960, 1080});
    EXPECT_TRUE(waitFor([&] { return !backend->window(screens[1].id)->visible(); }));
    EXPECT_TRUE(backend->window(screens[0].id)->visible());
    xcb_unmap_window(client->connection(), app);
    xcb_flush(client->connection());
    EXPECT_TRUE(waitFor([&] { return backend->window(screens[1].id)->visible(); }));
}

}  // namespace
