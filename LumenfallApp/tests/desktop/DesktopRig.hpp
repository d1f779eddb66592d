#pragma once

#include "support/TestScene.hpp"

#include "support/X11TestClient.hpp"
#include "support/XServer.hpp"

#include "desktop/WallpaperHost.hpp"
#include "platform/x11/X11Backend.hpp"
#include "render/FrameDriver.hpp"
#include "render/SceneHost.hpp"

#include <QImage>

#include <memory>
#include <string>
#include <vector>

namespace lumen::app::test {

// Two 320x240 monitors side by side, for a 640x240 screen.
inline const std::vector<std::string> twoMonitors = {"LEFT 320/85x240/64+0+0 screen",
                                                     "RIGHT 320/85x240/64+320+0 none"};

// Runs the event loop for a while, doing nothing else: the display link and the backend wake it.
void runFor(double seconds);

// The wallpaper as the application assembles it, on a private Xvfb: the X11 backend, a device on
// its display, the scene host, the frame driver and the wallpaper host, plus a second client
// playing the other applications. Members go in reverse order of their making.
struct DesktopRig {
    // Null, with the reason, when Xvfb or an OpenGL 4.3 device on it is not available.
    // `monitors`: xrandr --setmonitor arguments, e.g. "LEFT 640/169x400/106+0+0 screen".
    static std::unique_ptr<DesktopRig> start(const std::string& size, const std::vector<std::string>& monitors,
                                             const SceneInfo& scene, bool windowManager, std::string& reason);
    ~DesktopRig();

    // The root window as the user sees it.
    QImage screenshot() const;
    // Sets both displays' decisions in the window order.
    void decide(const std::vector<RenderDecision>& decisions);
    SceneSurfaceView& surface(std::size_t order) { return wallpaper->orderedWindows().at(order)->surface(); }

    std::unique_ptr<lumen::test::XServer> server;
    std::unique_ptr<X11Backend> backend;
    std::unique_ptr<TestGpu> gpu;
    std::unique_ptr<SceneHost> sceneHost;
    std::unique_ptr<FrameDriver> driver;
    std::unique_ptr<WallpaperHost> wallpaper;
    std::unique_ptr<lumen::test::X11TestClient> client;
};

}  // namespace lumen::app::test
