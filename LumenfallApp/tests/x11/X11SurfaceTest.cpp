#include "support/X11TestClient.hpp"
#include "support/XServer.hpp"
#include "gpu/Device.hpp"
#include "platform/x11/X11Backend.hpp"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>

using lumen::app::PixelRect;
using lumen::app::X11Backend;
using lumen::test::waitFor;
using lumen::test::XServer;

namespace {

struct Rgb {
    int r = -1, g = -1, b = -1;
    bool near(Rgb o) const { return std::abs(r - o.r) <= 2 && std::abs(g - o.g) <= 2 && std::abs(b - o.b) <= 2; }
};

// What the screen shows at a point, read from the root window.
Rgb screenPixel(xcb_connection_t* c, xcb_window_t root, int x, int y)
{
    auto* reply = xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                         1, 1, ~0u),
        nullptr);
    Rgb rgb;
    if (reply != nullptr && xcb_get_image_data_length(reply) >= 4) {
        const std::uint8_t* p = xcb_get_image_data(reply);  // 24-bit TrueColor: B, G, R, pad
        rgb = {p[2], p[1], p[0]};
    }
    std::free(reply);
    return rgb;
}

class X11SurfaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string reason;
        server = XServer::start(reason);
        if (!server) {
            GTEST_SKIP() << reason;
        }
        ASSERT_TRUE(server->run("xrandr --setmonitor LEFT 960/254x1080/286+0+0 screen"));
        ASSERT_TRUE(server->run("xrandr --setmonitor RIGHT 960/254x1080/286+960+0 none"));
        std::string error;
        backend = X11Backend::open(server->display().c_str(), &error);
        ASSERT_TRUE(backend) << error;
        ::setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        auto made = lumen::gpu::Device::create(
            {.eglPlatform = backend->eglPlatform(),
             .nativeDisplay = backend->nativeDisplay(),
             .nativeVisual = backend->nativeVisual()});
        if (!made) {
            GTEST_SKIP() << "no OpenGL 4.3 device on the X display: " << made.error().message;
        }
        device = std::move(*made);
        client = std::make_unique<lumen::test::X11TestClient>(server->display());
        ASSERT_TRUE(client->ok());
    }

    void TearDown() override
    {
        // Surfaces before the device, the device before the display it was made on.
        if (backend) {
            for (const auto& s : backend->screens()) {
                backend->destroyWindow(s.id);
            }
        }
        device.reset();
        backend.reset();
    }

    std::unique_ptr<XServer> server;
    std::unique_ptr<X11Backend> backend;
    std::unique_ptr<lumen::gpu::Device> device;
    std::unique_ptr<lumen::test::X11TestClient> client;
};

}  // namespace

TEST_F(X11SurfaceTest, WindowSurfacesUseTheConfigOfTheWindowsVisual)
{
    // Drivers may refuse a surface whose config's visual differs from the window's.
    EXPECT_EQ(device->windowVisual(), backend->nativeVisual());
}

TEST_F(X11SurfaceTest, AClearedAndSwappedSurfaceShowsOnItsMonitor)
{
    const auto screens = backend->screens();
    ASSERT_EQ(screens.size(), 2u);
    auto* window = backend->createWindow(screens[1], device.get());
    ASSERT_TRUE(window);
    ASSERT_TRUE(window->surface());
    ASSERT_TRUE(waitFor([&] { return window->onScreen(); }));
    const PixelRect f = screens[1].frame;

    // Before the first frame: the dark blue background.
    EXPECT_TRUE(waitFor([&] { return screenPixel(client->connection(), client->root(), f.x + 10, f.y + 10).near({3, 13, 23}); }));

    ASSERT_TRUE(window->surface()->makeCurrent());
    EXPECT_EQ(window->surface()->size(), std::make_pair(960, 1080));
    // The device turns sRGB encoding on for its attachments; the window's pixels are taken as they are.
    glDisable(GL_FRAMEBUFFER_SRGB);
    // The context was first current without a surface, so the window's draw buffer starts as the
    // front one; swaps show the back one.
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    glViewport(0, 0, 960, 1080);
    glClearColor(1.0f, 0.0f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_FRAMEBUFFER_SRGB);
    ASSERT_TRUE(window->surface()->swap());
    ASSERT_TRUE(device->makeCurrent());

    const Rgb pink{255, 0, 128};
    EXPECT_TRUE(waitFor([&] {
        return screenPixel(client->connection(), client->root(), f.x + f.width / 2, f.y + f.height / 2).near(pink);
    }));
    const Rgb corner = screenPixel(client->connection(), client->root(), f.x + 1, f.y + f.height - 2);
    EXPECT_TRUE(corner.near(pink)) << corner.r << " " << corner.g << " " << corner.b;
    // The other monitor shows nothing of it.
    EXPECT_FALSE(screenPixel(client->connection(), client->root(), 480, 540).near(pink));
}

TEST_F(X11SurfaceTest, PresentStretchesTheDrawableUprightOverTheWindow)
{
    const auto screens = backend->screens();
    ASSERT_EQ(screens.size(), 2u);
    auto* window = backend->createWindow(screens[0], device.get());
    ASSERT_TRUE(window && window->surface());
    ASSERT_TRUE(waitFor([&] { return window->onScreen(); }));

    // 4x2 texels: row 0 (the bottom of a render target) red, row 1 green; texel 1 of each grey.
    auto texture = device->makeTexture({.format = lumen::gpu::PixelFormat::rgba8Unorm, .width = 4, .height = 2,
                                        .usage = lumen::gpu::TextureUsage::shaderRead |
                                                 lumen::gpu::TextureUsage::renderTarget});
    ASSERT_TRUE(texture) << texture.error().message;
    std::vector<std::uint8_t> texels;
    for (int i = 0; i < 4; ++i) {
        texels.insert(texels.end(), {255, 0, 0, 255});
    }
    for (int i = 0; i < 4; ++i) {
        texels.insert(texels.end(), {0, 255, 0, 255});
    }
    ASSERT_TRUE(texture->replaceRegion({}, 0, texels.data()));
    // Mid grey in the middle column pair shows whether present re-encodes as sRGB (it must not: a
    // drawable's bytes are what the screen shows).
    texels[4] = texels[5] = texels[6] = 128;
    texels[16 + 4] = texels[16 + 5] = texels[16 + 6] = 128;
    ASSERT_TRUE(texture->replaceRegion({}, 0, texels.data()));
    window->present(*texture);

    const PixelRect f = screens[0].frame;
    EXPECT_TRUE(waitFor([&] {
        return screenPixel(client->connection(), client->root(), f.x + 100, f.y + 20).near({0, 255, 0}) &&
               screenPixel(client->connection(), client->root(), f.x + 800, f.y + f.height - 20).near({255, 0, 0});
    }));
    // Texel column 1 spans x 240..480; its centre, 360, is not blended with its neighbours.
    const Rgb grey = screenPixel(client->connection(), client->root(), f.x + 360, f.y + 20);
    EXPECT_TRUE(grey.near({128, 128, 128})) << grey.r << " " << grey.g << " " << grey.b;
}
