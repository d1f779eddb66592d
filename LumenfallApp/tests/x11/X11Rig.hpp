#pragma once

#include "support/X11TestClient.hpp"
#include "support/XServer.hpp"

#include "platform/x11/X11Backend.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace lumen::app::test {

// One private Xvfb per test suite with two 960x1080 monitors side by side: the output's own on the
// left, a virtual one on the right. Each test gets a fresh backend and a second client on it.
class X11Test : public ::testing::Test {
protected:
    static constexpr const char* rightMonitor = "xrandr --setmonitor RIGHT 960/254x1080/286+960+0 none";

    static void SetUpTestSuite() { startServer(false); }
    static void TearDownTestSuite() { server.reset(); }

    static void startServer(bool windowManager)
    {
        server = lumen::test::XServer::start(reason);
        if (server && !server->run("xrandr --setmonitor LEFT 960/254x1080/286+0+0 screen")) reason = "no xrandr";
        if (server && windowManager && (!lumen::test::haveProgram("xdotool") || !server->startWindowManager())) {
            reason = "openbox or xdotool is not installed";
            server.reset();
        }
    }

    void SetUp() override
    {
        if (!server) GTEST_SKIP() << reason;
        // A test may have moved or removed the right monitor.
        server->run("xrandr --delmonitor RIGHT");
        ASSERT_TRUE(server->run(rightMonitor));
        std::string error;
        backend = X11Backend::open(server->display().c_str(), &error);
        ASSERT_TRUE(backend) << error;
        client = std::make_unique<lumen::test::X11TestClient>(server->display());
        ASSERT_TRUE(client->ok());
        screens = backend->screens();
        ASSERT_EQ(screens.size(), 2u);
    }

    DesktopWindow& window(std::size_t screen) const { return *backend->window(screens.at(screen).id); }
    bool visible(std::size_t screen) const { return window(screen).visible(); }

    static inline std::unique_ptr<lumen::test::XServer> server;
    static inline std::string reason;
    std::unique_ptr<X11Backend> backend;
    std::unique_ptr<lumen::test::X11TestClient> client;
    std::vector<Screen> screens;
};

}  // namespace lumen::app::test
