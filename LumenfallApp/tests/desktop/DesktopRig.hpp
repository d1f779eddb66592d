#pragma once

#include "support/GradientWallpaper.hpp"
#include "support/TestScene.hpp"
#include "support/X11TestClient.hpp"
#include "support/XServer.hpp"

#include "app/BuiltInScenes.hpp"
#include "desktop/DesktopSession.hpp"
#include "desktop/WallpaperHost.hpp"
#include "log/EventLog.hpp"
#include "platform/x11/X11Backend.hpp"
#include "render/FrameDriver.hpp"
#include "render/SceneHost.hpp"

#include <QEventLoop>
#include <QImage>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace lumen::app::test {

// Runs the event loop for a while, doing nothing else: the display link and the backend wake it.
inline void runFor(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

// One private Xvfb per test suite (640x480, openbox) with two 320x240 monitors side by side at the
// top. Per test, the wallpaper as the application assembles it there: the X11 backend, a device
// on its display, the gradient scene's host, the frame driver and the wallpaper host with one
// window per monitor; a second client playing the other applications; the event log's lines and
// the host's change reports from then on.
class DesktopTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = lumen::test::XServer::start(reason, "640x480");
        if (server && !server->startWindowManager()) server.reset();
        registerGradientScene();
        registerBuiltInScenes();
    }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override {
        if (!server) GTEST_SKIP() << "no Xvfb with openbox: " << reason;
        // The two monitors again, whatever an earlier test made of them.
        ASSERT_TRUE(server->run("sh -c 'for m in BOTTOM RIGHT LEFT; do xrandr --delmonitor $m; done; xrandr "
                                "--setmonitor LEFT 320/85x240/64+0+0 screen --setmonitor RIGHT 320/85x240/64+320+0 none'"));
        std::string error;
        backend = X11Backend::open(server->display().c_str(), &error);
        ASSERT_TRUE(backend) << error;
        GradientWallpaper assembly;
        if (!assembly.makeDevice(*backend, error)) GTEST_SKIP() << error;
        ASSERT_TRUE(assembly.assemble(*backend));
        gpu = std::move(assembly.gpu);
        sceneHost = std::move(assembly.sceneHost);
        driver = std::move(assembly.driver);
        wallpaper = std::move(assembly.wallpaper);
        client = std::make_unique<lumen::test::X11TestClient>(server->display());
        wallpaper->rebuild();
        ASSERT_EQ(wallpaper->windows().size(), 2u);
        EventLog::setObserver([this](const std::string& e) { events.push_back(e); });
        wallpaper->onChange = [this] { ++changes; };
    }
    void TearDown() override {
        EventLog::setObserver({});
        wallpaper.reset();
        driver.reset();
        sceneHost.reset();
        gpu.reset();
        client.reset();
        backend.reset();
    }

    // The root window as the user sees it (24-bit TrueColor: B, G, R, pad, as QImage's RGB32).
    QImage screenshot() const {
        xcb_connection_t* c = client->connection();
        auto* reply =
            xcb_get_image_reply(c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, client->root(), 0, 0, 640, 480, ~0u), nullptr);
        QImage image;
        if (reply && xcb_get_image_data_length(reply) >= 640 * 480 * 4) {
            image = QImage(xcb_get_image_data(reply), 640, 480, 640 * 4, QImage::Format_RGB32).copy();
        }
        std::free(reply);
        return image;
    }
    SceneSurfaceView& surface(std::size_t order) { return wallpaper->orderedWindows().at(order)->surface(); }
    bool saw(const std::string& event) const { return std::find(events.begin(), events.end(), event) != events.end(); }
    // Each display has its frame and the display link sleeps.
    bool stillsDone() const {
        return std::all_of(wallpaper->windows().begin(), wallpaper->windows().end(),
                           [](const auto& w) { return w.second->surface().hasFrame(); }) &&
               driver->link() && driver->link()->paused();
    }

    static inline std::unique_ptr<lumen::test::XServer> server;
    static inline std::string reason;
    std::unique_ptr<X11Backend> backend;
    std::unique_ptr<TestGpu> gpu;
    std::unique_ptr<SceneHost> sceneHost;
    std::unique_ptr<FrameDriver> driver;
    std::unique_ptr<WallpaperHost> wallpaper;
    std::unique_ptr<lumen::test::X11TestClient> client;
    std::vector<std::string> events;
    int changes = 0;
};

}  // namespace lumen::app::test
