#pragma once

#include "support/TestScene.hpp"

#include "support/X11TestClient.hpp"
#include "support/XServer.hpp"

#include "desktop/WallpaperHost.hpp"
#include "platform/x11/X11Backend.hpp"
#include "render/FrameDriver.hpp"
#include "render/SceneHost.hpp"

#include <QImage>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace lumen::app::test {

// Runs the event loop for a while, doing nothing else: the display link and the backend wake it.
void runFor(double seconds);

// One private Xvfb per test suite (640x480, openbox) with two 320x240 monitors side by side at the
// top. Per test, the wallpaper as the application assembles it there: the X11 backend, a device
// on its display, the gradient scene's host, the frame driver and the wallpaper host with one
// window per monitor; plus a second client playing the other applications.
class DesktopTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite() { server.reset(); }
    void SetUp() override;
    void TearDown() override;

    // The root window as the user sees it.
    QImage screenshot() const;
    // Sets the displays' decisions in the window order.
    void decide(const std::vector<RenderDecision>& decisions);
    SceneSurfaceView& surface(std::size_t order) { return wallpaper->orderedWindows().at(order)->surface(); }

    static inline std::unique_ptr<lumen::test::XServer> server;
    static inline std::string reason;
    std::unique_ptr<X11Backend> backend;
    std::unique_ptr<TestGpu> gpu;
    std::unique_ptr<SceneHost> sceneHost;
    std::unique_ptr<FrameDriver> driver;
    std::unique_ptr<WallpaperHost> wallpaper;
    std::unique_ptr<lumen::test::X11TestClient> client;
};

}  // namespace lumen::app::test
