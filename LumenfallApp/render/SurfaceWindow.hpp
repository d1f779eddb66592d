#pragma once

#include <functional>

namespace lumen::gpu {
class Texture;
}

namespace lumen::app {

// A point or rectangle in screen coordinates: points, y growing downward (as X11 and Wayland
// report them).
struct ScreenPoint {
    double x = 0;
    double y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

struct ScreenRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double midX() const { return x + width / 2; }
    double midY() const { return y + height / 2; }
    // Edges included, as for a point on the screen's last row.
    bool contains(ScreenPoint p) const { return p.x >= x && p.x <= x + width && p.y >= y && p.y <= y + height; }
    bool operator==(const ScreenRect&) const = default;
};

// The window a surface draws into, as the X11 and Wayland backends provide it (and tests fake it).
class SurfaceWindow {
public:
    virtual ~SurfaceWindow() = default;

    // The window's frame in screen coordinates (points).
    virtual ScreenRect frame() const = 0;
    // Pixels per point of the screen the window is on.
    virtual double backingScale() const = 0;
    // Mapped and on a screen; a window that is not never draws.
    virtual bool onScreen() const = 0;
    // Refresh rate in Hz of the display the window is on; 0 when unknown.
    virtual double refreshRate() const { return 0; }
    // Shows a drawn drawable (stretched to the window when drawn at reduced scale), leaving the
    // device's context current. The texture is the surface's and is not drawn into again before
    // two more have been presented.
    virtual void present(const gpu::Texture& drawable) = 0;

    // Set by the surface attached to the window; the window calls it whenever onScreen() changes
    // (mapped, unmapped), since a window may still be on its way to the screen when attached.
    std::function<void()> onScreenChanged;
};

}  // namespace lumen::app
