#include "DesktopRig.hpp"

#include "desktop/DesktopSession.hpp"
#include "app/BuiltInScenes.hpp"
#include "scenekit/SceneClasses.hpp"

#include <QEventLoop>
#include <QTimer>

#include <cstdlib>

namespace lumen::app::test {

void runFor(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

std::unique_ptr<DesktopRig> DesktopRig::start(const std::string& size, const std::vector<std::string>& monitors,
                                              const SceneInfo& scene, bool windowManager, std::string& reason) {
    auto rig = std::make_unique<DesktopRig>();
    rig->server = lumen::test::XServer::start(reason, size);
    if (!rig->server) return nullptr;
    for (const auto& monitor : monitors) {
        if (!rig->server->run("xrandr --setmonitor " + monitor)) {
            reason = "xrandr --setmonitor " + monitor + " failed";
            return nullptr;
        }
    }
    if (windowManager && !rig->server->startWindowManager()) {
        reason = "openbox did not start";
        return nullptr;
    }
    rig->backend = X11Backend::open(rig->server->display().c_str(), &reason);
    if (!rig->backend) return nullptr;
    rig->gpu = TestGpu::make({.eglPlatform = rig->backend->eglPlatform(), .nativeDisplay = rig->backend->nativeDisplay(),
                              .nativeVisual = rig->backend->nativeVisual()},
                             reason);
    if (!rig->gpu) return nullptr;

    registerGradientScene();
    registerBuiltInScenes();
    SceneCatalog catalog;
    catalog.scenes = {scene};
    rig->sceneHost = std::make_unique<SceneHost>(*rig->gpu->context, catalog, scene, 12.0f);
    if (!rig->sceneHost->load(scene, {}, false)) {
        reason = "the scene " + scene.id.text() + " did not load";
        return nullptr;
    }
    rig->driver = std::make_unique<FrameDriver>(*rig->sceneHost);
    rig->driver->pointerLocation = pointerSource(*rig->backend);
    rig->wallpaper = std::make_unique<WallpaperHost>(*rig->backend, *rig->driver, rig->gpu->device.get());
    rig->client = std::make_unique<lumen::test::X11TestClient>(rig->server->display());
    return rig;
}

DesktopRig::~DesktopRig() {
    wallpaper.reset();
    driver.reset();
    sceneHost.reset();
    gpu.reset();
    client.reset();
    backend.reset();
    server.reset();
}

QImage DesktopRig::screenshot() const {
    xcb_connection_t* c = client->connection();
    const PixelRect root = client->geometry(client->root());
    auto* reply = xcb_get_image_reply(c,
                                      xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, client->root(), 0, 0,
                                                    static_cast<std::uint16_t>(root.width),
                                                    static_cast<std::uint16_t>(root.height), ~0u),
                                      nullptr);
    QImage image;
    if (reply && xcb_get_image_data_length(reply) >= root.width * root.height * 4) {
        // 24-bit TrueColor in 32-bit pixels: B, G, R, pad, as QImage's RGB32 on little-endian.
        image = QImage(xcb_get_image_data(reply), root.width, root.height, root.width * 4, QImage::Format_RGB32).copy();
    }
    std::free(reply);
    return image;
}

void DesktopRig::decide(const std::vector<RenderDecision>& decisions) {
    auto windows = wallpaper->orderedWindows();
    for (std::size_t i = 0; i < decisions.size() && i < windows.size(); ++i) windows[i]->surface().apply(decisions[i]);
}

}  // namespace lumen::app::test
