#include "X11Rig.hpp"

#include "gpu/Device.hpp"

#include <epoxy/gl.h>

#include <cstdlib>

using namespace lumen::app;
using lumen::test::waitFor;

namespace {

struct Rgb {
    int r = -1, g = -1, b = -1;
    bool near(Rgb o) const { return std::abs(r - o.r) <= 2 && std::abs(g - o.g) <= 2 && std::abs(b - o.b) <= 2; }
};

std::ostream& operator<<(std::ostream& out, Rgb c) { return out << c.r << " " << c.g << " " << c.b; }

// The same two monitors, and an OpenGL 4.3 device on the display.
class X11SurfaceTest : public lumen::app::test::X11Test {
protected:
    void SetUp() override
    {
        X11Test::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        auto made = lumen::gpu::Device::create({.eglPlatform = backend->eglPlatform(),
                                                .nativeDisplay = backend->nativeDisplay(),
                                                .nativeVisual = backend->nativeVisual()});
        if (!made) GTEST_SKIP() << "no OpenGL 4.3 device on the X display: " << made.error().message;
        device = std::move(*made);
    }

    void TearDown() override
    {
        // Surfaces before the device, the device before the display it was made on.
        for (const Screen& s : screens) backend->destroyWindow(s.id);
        device.reset();
        backend.reset();
    }

    // What the screen shows at a point, read from the root window (24-bit TrueColor: B, G, R, pad).
    Rgb pixel(int x, int y) const
    {
        xcb_connection_t* c = client->connection();
        auto* reply = xcb_get_image_reply(c,
                                          xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, client->root(), static_cast<std::int16_t>(x),
                                                        static_cast<std::int16_t>(y), 1, 1, ~0u),
                                          nullptr);
        Rgb rgb;
        if (reply != nullptr && xcb_get_image_data_length(reply) >= 4) {
            const std::uint8_t* p = xcb_get_image_data(reply);
            rgb = {p[2], p[1], p[0]};
        }
        std::free(reply);
        return rgb;
    }

    DesktopWindow& mapped(std::size_t screen)
    {
        DesktopWindow* made = backend->createWindow(screens[screen], device.get());
        EXPECT_TRUE(made && made->surface());
        EXPECT_TRUE(waitFor([&] { return made && made->onScreen(); }));
        return *made;
    }

    std::unique_ptr<lumen::gpu::Device> device;
};

TEST_F(X11SurfaceTest, ASwappedSurfaceAndAPresentedDrawableShowOnTheirOwnMonitor)
{
    // Drivers may refuse a surface whose config's visual differs from the window's.
    EXPECT_EQ(device->windowVisual(), backend->nativeVisual());
    const PixelRect left = screens[0].frame, right = screens[1].frame;

    // The right window before its first frame shows the dark blue background; then a clear and a swap.
    DesktopWindow& cleared = mapped(1);
    ASSERT_TRUE(cleared.surface());
    EXPECT_TRUE(waitFor([&] { return pixel(right.x + 10, right.y + 10).near({3, 13, 23}); }));
    ASSERT_TRUE(cleared.surface()->makeCurrent());
    EXPECT_EQ(cleared.surface()->size(), std::make_pair(960, 1080));
    // The device turns sRGB encoding on for its attachments; the window's pixels are taken as they
    // are. The context was first current without a surface, so the draw buffer starts as the front one.
    glDisable(GL_FRAMEBUFFER_SRGB);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    glViewport(0, 0, 960, 1080);
    glClearColor(1.0f, 0.0f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_FRAMEBUFFER_SRGB);
    ASSERT_TRUE(cleared.surface()->swap());
    ASSERT_TRUE(device->makeCurrent());
    const Rgb pink{255, 0, 128};
    EXPECT_TRUE(waitFor([&] { return pixel(right.x + right.width / 2, right.y + right.height / 2).near(pink); }));
    EXPECT_TRUE(pixel(right.x + 1, right.y + right.height - 2).near(pink)) << pixel(right.x + 1, right.y + right.height - 2);

    // 4x2 texels on the left: row 0 (the bottom of a render target) red, row 1 green, texel column 1
    // mid grey, which shows whether present re-encodes as sRGB (it must not).
    DesktopWindow& presented = mapped(0);
    auto texture = device->makeTexture({.format = lumen::gpu::PixelFormat::rgba8Unorm, .width = 4, .height = 2,
                                        .usage = lumen::gpu::TextureUsage::shaderRead | lumen::gpu::TextureUsage::renderTarget});
    ASSERT_TRUE(texture) << texture.error().message;
    std::vector<std::uint8_t> texels;
    const std::uint8_t red[] = {255, 0, 0, 255}, green[] = {0, 255, 0, 255}, grey[] = {128, 128, 128, 255};
    for (int i = 0; i < 8; ++i) {
        const std::uint8_t* texel = i % 4 == 1 ? grey : i < 4 ? red : green;
        texels.insert(texels.end(), texel, texel + 4);
    }
    ASSERT_TRUE(texture->replaceRegion({}, 0, texels.data()));
    presented.present(*texture);
    EXPECT_TRUE(waitFor([&] {
        return pixel(left.x + 100, left.y + 20).near({0, 255, 0}) && pixel(left.x + 800, left.y + left.height - 20).near({255, 0, 0});
    }));
    // Texel column 1 spans x 240..480; its centre, 360, is not blended with its neighbours.
    EXPECT_TRUE(pixel(left.x + 360, left.y + 20).near({128, 128, 128})) << pixel(left.x + 360, left.y + 20);
    EXPECT_TRUE(pixel(right.x + 10, right.y + 10).near(pink)) << "the other monitor keeps its own picture";
}

}  // namespace
