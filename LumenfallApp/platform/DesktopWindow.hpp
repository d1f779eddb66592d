#pragma once

#include "platform/PixelRect.hpp"
#include "render/SurfaceWindow.hpp"

#include <cstdint>

namespace lumen::gpu {
class WindowSurface;
}

namespace lumen::app {

// A borderless window at one screen's frame that a surface draws into, owned by its backend: a
// wallpaper window (below every other window, on every workspace, never focused, letting clicks
// through to the desktop) or an idle window (above everything, taking the input that ends it).
class DesktopWindow : public SurfaceWindow {
public:
    // The identifier of the screen it covers, fixed at creation.
    virtual std::uint32_t displayID() const = 0;
    virtual PixelRect pixelFrame() const = 0;
    // Moves and resizes it to a screen's new frame (the frame asked for is the frame used).
    virtual void setFrame(const PixelRect& frame, double scale, double refreshRate) = 0;
    // Whether any of it can be seen: not covered by other windows or a fullscreen application.
    virtual bool visible() const = 0;
    // Its EGL surface; null when it was made without a device or the surface was refused.
    virtual gpu::WindowSurface* surface() = 0;
};

}  // namespace lumen::app
