#pragma once

#include "platform/DesktopBackend.hpp"
#include "platform/Screen.hpp"
#include "platform/x11/X11Atoms.hpp"
#include "platform/x11/X11SurfaceWindow.hpp"

#include <xcb/xcb.h>

#include <functional>

namespace lumen::gpu {
class Device;
}

namespace lumen::app {

// An override-redirect window at one monitor's frame for the idle scene: no window manager
// moves, decorates or restacks it, so it lies exactly on the monitor and above every managed
// window, with or without a window manager. Black until drawn. The backend raises it again when
// another window comes up, and grabs the keyboard and the pointer for it.
class X11IdleWindow final : public X11SurfaceWindow {
public:
    static constexpr const char* title = "Lumenfall idle scene";

    // cursor: the window's cursor (the backend's invisible one). afterSwap as for wallpaper windows.
    X11IdleWindow(xcb_connection_t* connection, const xcb_screen_t& xscreen, const X11Atoms& atoms,
                  const Screen& screen, xcb_cursor_t cursor, gpu::Device* device,
                  std::function<void(IdleInput)> onInput, std::function<void()> afterSwap = {});

    const std::function<void(IdleInput)>& onInput() const { return onInput_; }

    // Events for this window, routed by the backend.
    void setCursor(xcb_cursor_t cursor);
    void raise();

    // Nothing is stacked above it.
    bool visible() const override { return true; }

private:
    std::function<void(IdleInput)> onInput_;
};

}  // namespace lumen::app
