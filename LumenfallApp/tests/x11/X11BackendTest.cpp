#include "support/X11TestClient.hpp"
#include "support/XServer.hpp"
#include "platform/x11/X11Backend.hpp"
#include "platform/x11/X11Monitors.hpp"

#include <gtest/gtest.h>

using lumen::app::PixelPoint;
using lumen::app::PixelRect;
using lumen::app::Screen;
using lumen::app::X11Backend;
using lumen::test::waitFor;
using lumen::test::XServer;

namespace {

// The two monitors the desktop tests use: the output's own on the left, a virtual one on the right.
constexpr const char* leftMonitor = "xrandr --setmonitor LEFT 960/254x1080/286+0+0 screen";
constexpr const char* rightMonitor = "xrandr --setmonitor RIGHT 960/254x1080/286+960+0 none";

std::vector<std::string> names(const std::vector<Screen>& screens)
{
    std::vector<std::string> out;
    for (const Screen& s : screens) {
        out.push_back(s.name);
    }
    return out;
}

class X11BackendTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string reason;
        server = XServer::start(reason);
        if (!server) {
            GTEST_SKIP() << reason;
        }
    }

    std::unique_ptr<X11Backend> open()
    {
        std::string error;
        auto backend = X11Backend::open(server->display().c_str(), &error);
        EXPECT_TRUE(backend) << error;
        return backend;
    }

    std::unique_ptr<XServer> server;
};

}  // namespace

TEST_F(X11BackendTest, ListsTwoMonitorsInOrderWithNamesAndFrames)
{
    ASSERT_TRUE(server->run(rightMonitor));
    ASSERT_TRUE(server->run(leftMonitor));
    auto backend = open();
    ASSERT_TRUE(backend);
    lumen::test::X11TestClient client(server->display());
    ASSERT_TRUE(client.ok());

    const auto screens = backend->screens();
    ASSERT_EQ(screens.size(), 2u);
    // Xvfb's output has no EDID: the connector name; the virtual monitor has only its own name.
    EXPECT_EQ(names(screens), (std::vector<std::string>{"screen", "RIGHT"}));
    EXPECT_EQ(screens[0].frame, (PixelRect{0, 0, 960, 1080}));
    EXPECT_EQ(screens[1].frame, (PixelRect{960, 0, 960, 1080}));
    EXPECT_EQ(screens[0].id & lumen::app::X11Monitors::virtualMonitorBit, 0u);
    EXPECT_NE(screens[0].id, 0u);
    EXPECT_EQ(screens[1].id, client.atom("RIGHT") | lumen::app::X11Monitors::virtualMonitorBit);
    EXPECT_DOUBLE_EQ(screens[0].scale, 1.0);

    // The primary monitor comes first, wherever it is.
    ASSERT_TRUE(server->run("xrandr --delmonitor RIGHT --setmonitor '*RIGHT' 960/254x1080/286+960+0 none"));
    ASSERT_TRUE(waitFor([&] { return names(backend->screens()) == std::vector<std::string>{"RIGHT", "screen"}; }))
        << names(backend->screens()).size();
    EXPECT_TRUE(backend->screens()[0].primary);
}

TEST_F(X11BackendTest, ReportsAddedResizedAndDeletedMonitors)
{
    auto backend = open();
    ASSERT_TRUE(backend);
    ASSERT_EQ(backend->screens().size(), 1u);
    EXPECT_EQ(backend->screens()[0].frame, (PixelRect{0, 0, 1920, 1080}));

    std::vector<std::vector<Screen>> reported;
    backend->setScreensChangedHandler([&] { reported.push_back(backend->screens()); });

    ASSERT_TRUE(server->run(leftMonitor));
    ASSERT_TRUE(server->run(rightMonitor));
    ASSERT_TRUE(waitFor([&] { return !reported.empty() && reported.back().size() == 2; }));
    EXPECT_EQ(names(reported.back()), (std::vector<std::string>{"screen", "RIGHT"}));

    const std::size_t before = reported.size();
    // xrandr refuses to redefine a monitor in place; removing and adding it in one run resizes it.
    ASSERT_TRUE(server->run("xrandr --delmonitor RIGHT --setmonitor RIGHT 640/254x480/286+960+100 none"));
    ASSERT_TRUE(waitFor([&] {
        return reported.size() > before && reported.back().size() == 2 &&
               reported.back()[1].frame == PixelRect{960, 100, 640, 480};
    }));
    ASSERT_EQ(reported.back().size(), 2u);
    EXPECT_EQ(reported.back()[1].frame, (PixelRect{960, 100, 640, 480}));

    ASSERT_TRUE(server->run("xrandr --delmonitor RIGHT"));
    ASSERT_TRUE(waitFor([&] { return reported.back().size() == 1; }));
    EXPECT_EQ(reported.back()[0].frame, (PixelRect{0, 0, 960, 1080}));
}

TEST_F(X11BackendTest, XftDpiSetsTheBackingScale)
{
    if (!lumen::test::haveProgram("xrdb")) {
        GTEST_SKIP() << "xrdb is not installed";
    }
    auto backend = open();
    ASSERT_TRUE(backend);
    ASSERT_DOUBLE_EQ(backend->screens().at(0).scale, 1.0);
    int changes = 0;
    backend->setScreensChangedHandler([&] { ++changes; });
    ASSERT_TRUE(server->run("sh -c 'echo Xft.dpi: 192 | xrdb -nocpp -merge'"));
    ASSERT_TRUE(waitFor([&] { return backend->screens().at(0).scale == 2.0; }));
    EXPECT_GE(changes, 1);
    // Frames stay in pixels; a window reports points.
    EXPECT_EQ(backend->screens()[0].frame, (PixelRect{0, 0, 1920, 1080}));
    auto* window = backend->createWindow(backend->screens()[0], nullptr);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->frame(), (lumen::app::ScreenRect{0, 0, 960, 540}));
    EXPECT_DOUBLE_EQ(window->backingScale(), 2.0);
}

TEST_F(X11BackendTest, ReadsThePointerPosition)
{
    auto backend = open();
    ASSERT_TRUE(backend);
    ASSERT_TRUE(server->run("xdotool mousemove 1234 567"));
    EXPECT_TRUE(waitFor([&] { return backend->pointerPosition() == PixelPoint{1234, 567}; }));
    ASSERT_TRUE(server->run("xdotool mousemove 10 1000"));
    EXPECT_TRUE(waitFor([&] { return backend->pointerPosition() == PixelPoint{10, 1000}; }));
}

TEST_F(X11BackendTest, IdleTimeGrowsWithoutInputAndRestartsWithIt)
{
    auto backend = open();
    ASSERT_TRUE(backend);
    ASSERT_TRUE(server->run("xdotool mousemove 100 100"));
    const auto first = backend->idleSeconds();
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(waitFor([&] { return backend->idleSeconds().value_or(0) >= *first + 0.5; }));
    const double grown = backend->idleSeconds().value_or(0);
    ASSERT_TRUE(server->run("xdotool mousemove 200 200"));
    EXPECT_TRUE(waitFor([&] { return backend->idleSeconds().value_or(1e9) < grown; }));
}

TEST_F(X11BackendTest, WindowsWithoutAWindowManagerKeepWhatWasSetAndStillSeeOcclusion)
{
    ASSERT_TRUE(server->run(rightMonitor));
    ASSERT_TRUE(server->run(leftMonitor));
    auto backend = open();
    ASSERT_TRUE(backend);
    lumen::test::X11TestClient client(server->display());
    ASSERT_TRUE(client.ok());
    const auto screens = backend->screens();
    ASSERT_EQ(screens.size(), 2u);
    for (const Screen& s : screens) {
        ASSERT_TRUE(backend->createWindow(s, nullptr));
    }
    for (const Screen& s : screens) {
        const xcb_window_t w = backend->windowId(s.id);
        ASSERT_TRUE(waitFor([&] { return backend->window(s.id)->onScreen(); }));
        EXPECT_EQ(client.geometry(w), s.frame);
        EXPECT_EQ(client.cardinals(w, "_NET_WM_STATE"),
                  (std::vector<std::uint32_t>{client.atom("_NET_WM_STATE_BELOW"), client.atom("_NET_WM_STATE_STICKY"),
                                              client.atom("_NET_WM_STATE_SKIP_TASKBAR"),
                                              client.atom("_NET_WM_STATE_SKIP_PAGER")}));
        EXPECT_EQ(client.cardinals(w, "_NET_WM_DESKTOP"), (std::vector<std::uint32_t>{0xFFFFFFFFu}));
        EXPECT_EQ(client.inputRectangles(w), 0);
    }
    // Without a stacking list the root's children, bottom to top, stand in.
    const xcb_window_t app = client.makeWindow({960, 0, 960, 1080});
    EXPECT_TRUE(waitFor([&] { return !backend->window(screens[1].id)->visible(); }));
    EXPECT_TRUE(backend->window(screens[0].id)->visible());
    xcb_unmap_window(client.connection(), app);
    xcb_flush(client.connection());
    EXPECT_TRUE(waitFor([&] { return backend->window(screens[1].id)->visible(); }));
}

TEST(X11BackendOpen, FailsWithAReasonForAMissingDisplay)
{
    std::string error;
    EXPECT_FALSE(X11Backend::open(":4094", &error));
    EXPECT_NE(error.find(":4094"), std::string::npos);
}
