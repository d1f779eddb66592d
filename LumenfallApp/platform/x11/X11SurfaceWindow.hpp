#pragma once

#include "gpu/WindowSurface.hpp"
#include "platform/DesktopWindow.hpp"
#include "platform/Screen.hpp"
#include "platform/x11/X11Atoms.hpp"

#include <xcb/xcb.h>

#include <functional>
#include <optional>
#include <string_view>

namespace lumen::gpu {
class Device;
}

namespace lumen::app {

// What the wallpaper and idle windows share: one top-level X window at a monitor's frame, drawn
// through an EGL window surface on the shared device, telling its surface when it is mapped.
class X11SurfaceWindow : public DesktopWindow {
public:
    ~X11SurfaceWindow() override;
    X11SurfaceWindow(const X11SurfaceWindow&) = delete;
    X11SurfaceWindow& operator=(const X11SurfaceWindow&) = delete;

    xcb_window_t xid() const { return window_; }
    // Whether the server made the window (a failed create leaves no window).
    bool valid() const { return window_ != XCB_NONE; }
    // Map and unmap events, routed by the backend.
    void setMapped(bool mapped);

    std::uint32_t displayID() const override { return displayID_; }
    PixelRect pixelFrame() const override { return frame_; }
    void setFrame(const PixelRect& frame, double scale, double refreshRate) override;
    gpu::WindowSurface* surface() override { return surface_ ? &*surface_ : nullptr; }

    ScreenRect frame() const override;
    double backingScale() const override { return scale_; }
    bool onScreen() const override { return mapped_; }
    double refreshRate() const override { return refreshRate_; }
    void present(const gpu::Texture& drawable) override;

protected:
    // afterSwap runs after each present: EGL's own round trips may leave events in xcb's queue,
    // which the backend's socket notifier would not report.
    X11SurfaceWindow(xcb_connection_t* connection, const Screen& screen, gpu::Device* device,
                     std::function<void()> afterSwap);

    // Creates the window at the frame with these attributes; false, logged with `what`, when the
    // server refuses.
    bool create(const xcb_screen_t& xscreen, std::uint32_t mask, const std::uint32_t* values, std::string_view what);
    void setText(xcb_atom_t property, xcb_atom_t type, std::string_view text);
    // WM_NAME, _NET_WM_NAME and WM_CLASS, for tools that list windows.
    void setNames(const X11Atoms& atoms, std::string_view title);
    // The EGL surface, with a device; a refusal is logged with `what`.
    void makeSurface(std::string_view what);

    xcb_connection_t* connection_;

private:
    xcb_window_t window_ = XCB_NONE;
    std::uint32_t displayID_;
    PixelRect frame_;
    double scale_;
    double refreshRate_;
    bool mapped_ = false;
    gpu::Device* device_;
    std::optional<gpu::WindowSurface> surface_;
    std::function<void()> afterSwap_;
};

}  // namespace lumen::app
