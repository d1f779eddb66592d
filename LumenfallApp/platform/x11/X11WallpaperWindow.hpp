#pragma once

#include "gpu/WindowSurface.hpp"
#include "platform/DesktopWindow.hpp"
#include "platform/Screen.hpp"
#include "platform/x11/X11Atoms.hpp"

#include <xcb/xcb.h>

#include <functional>
#include <optional>

namespace lumen::gpu {
class Device;
}

namespace lumen::app {

// A managed X11 window for one monitor: desktop type, below, sticky, off the taskbar and pager,
// on every desktop, no decorations, no input focus and an empty input shape, so clicks reach the
// desktop underneath.
class X11WallpaperWindow final : public DesktopWindow {
public:
    // The dark blue shown before the first frame (sRGB 0.01, 0.05, 0.09).
    static constexpr std::uint32_t backgroundRgb = 0x030D17;
    static constexpr const char* title = "Lumenfall wallpaper";

    // inputShape: the server has the SHAPE extension. afterSwap runs after each present: EGL's own
    // round trips may leave events in xcb's queue, which the socket notifier would not report.
    X11WallpaperWindow(xcb_connection_t* connection, const xcb_screen_t& xscreen, const X11Atoms& atoms,
                       const Screen& screen, bool inputShape, gpu::Device* device,
                       std::function<void()> afterSwap = {});
    ~X11WallpaperWindow() override;
    X11WallpaperWindow(const X11WallpaperWindow&) = delete;
    X11WallpaperWindow& operator=(const X11WallpaperWindow&) = delete;

    xcb_window_t xid() const { return window_; }
    // Whether the server made the window (a failed create leaves no window).
    bool valid() const { return window_ != XCB_NONE; }

    // Events for this window, routed by the backend.
    void setMapped(bool mapped) { mapped_ = mapped; }
    // Returns whether the state changed.
    bool setVisible(bool visible);

    std::uint32_t displayID() const override { return displayID_; }
    PixelRect pixelFrame() const override { return frame_; }
    void setFrame(const PixelRect& frame, double scale, double refreshRate) override;
    bool visible() const override { return visible_; }
    gpu::WindowSurface* surface() override { return surface_ ? &*surface_ : nullptr; }

    ScreenRect frame() const override;
    double backingScale() const override { return scale_; }
    bool onScreen() const override { return mapped_; }
    double refreshRate() const override { return refreshRate_; }
    void present(const gpu::Texture& drawable) override;

private:
    void setProperties(const X11Atoms& atoms, const PixelRect& frame);

    xcb_connection_t* connection_;
    xcb_window_t window_ = XCB_NONE;
    std::uint32_t displayID_;
    PixelRect frame_;
    double scale_;
    double refreshRate_;
    bool mapped_ = false;
    bool visible_ = true;
    gpu::Device* device_;
    std::optional<gpu::WindowSurface> surface_;
    std::function<void()> afterSwap_;
};

}  // namespace lumen::app
