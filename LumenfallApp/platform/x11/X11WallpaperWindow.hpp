#pragma once

#include "platform/Screen.hpp"
#include "platform/x11/X11Atoms.hpp"
#include "platform/x11/X11SurfaceWindow.hpp"

#include <xcb/xcb.h>

#include <functional>

namespace lumen::gpu {
class Device;
}

namespace lumen::app {

// A managed X11 window for one monitor: desktop type, below, sticky, off the taskbar and pager,
// on every desktop, no decorations, no input focus and an empty input shape, so clicks reach the
// desktop underneath.
class X11WallpaperWindow final : public X11SurfaceWindow {
public:
    // The dark blue shown before the first frame (sRGB 0.01, 0.05, 0.09).
    static constexpr std::uint32_t backgroundRgb = 0x030D17;
    static constexpr const char* title = "Lumenfall wallpaper";

    // inputShape: the server has the SHAPE extension.
    X11WallpaperWindow(xcb_connection_t* connection, const xcb_screen_t& xscreen, const X11Atoms& atoms,
                       const Screen& screen, bool inputShape, gpu::Device* device,
                       std::function<void()> afterSwap = {});

    // Occlusion as the backend computed it; returns whether the state changed.
    bool setVisible(bool visible);
    bool visible() const override { return visible_; }

private:
    void setProperties(const X11Atoms& atoms, const PixelRect& frame);

    bool visible_ = true;
};

}  // namespace lumen::app
