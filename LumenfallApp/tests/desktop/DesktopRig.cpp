#include "DesktopRig.hpp"

#include "app/BuiltInScenes.hpp"
#include "desktop/DesktopSession.hpp"

#include <QEventLoop>
#include <QTimer>

#include <cstdlib>

namespace lumen::app::test {

void runFor(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

void DesktopTest::SetUpTestSuite() {
    server = lumen::test::XServer::start(reason, "640x480");
    if (server && !server->startWindowManager()) {
        reason = "openbox did not start";
        server.reset();
    }
    registerGradientScene();
    registerBuiltInScenes();
}

void DesktopTest::SetUp() {
    if (!server) GTEST_SKIP() << reason;
    // The two monitors again, whatever an earlier test made of them.
    ASSERT_TRUE(server->run("sh -c 'for m in BOTTOM RIGHT LEFT; do xrandr --delmonitor $m; done; "
                            "xrandr --setmonitor LEFT 320/85x240/64+0+0 screen --setmonitor RIGHT 320/85x240/64+320+0 none'"));
    std::string error;
    backend = X11Backend::open(server->display().c_str(), &error);
    ASSERT_TRUE(backend) << error;
    gpu = TestGpu::make({.eglPlatform = backend->eglPlatform(), .nativeDisplay = backend->nativeDisplay(),
                         .nativeVisual = backend->nativeVisual()},
                        error);
    if (!gpu) GTEST_SKIP() << error;
    const SceneInfo gradient = gradientInfo();
    sceneHost = std::make_unique<SceneHost>(*gpu->context, SceneCatalog{.scenes = {gradient}}, gradient, 12.0f);
    ASSERT_TRUE(sceneHost->load(gradient, {}, false));
    driver = std::make_unique<FrameDriver>(*sceneHost);
    driver->pointerLocation = pointerSource(*backend);
    wallpaper = std::make_unique<WallpaperHost>(*backend, *driver, gpu->device.get());
    client = std::make_unique<lumen::test::X11TestClient>(server->display());
    wallpaper->rebuild();
    ASSERT_EQ(wallpaper->windows().size(), 2u);
}

void DesktopTest::TearDown() {
    wallpaper.reset();
    driver.reset();
    sceneHost.reset();
    gpu.reset();
    client.reset();
    backend.reset();
}

QImage DesktopTest::screenshot() const {
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

void DesktopTest::decide(const std::vector<RenderDecision>& decisions) {
    auto windows = wallpaper->orderedWindows();
    for (std::size_t i = 0; i < decisions.size() && i < windows.size(); ++i) windows[i]->surface().apply(decisions[i]);
}

}  // namespace lumen::app::test
