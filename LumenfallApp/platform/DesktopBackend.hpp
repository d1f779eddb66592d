#pragma once

#include "platform/DesktopWindow.hpp"
#include "platform/Screen.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace lumen::gpu {
class Device;
}

namespace lumen::app {

// What the application needs from the desktop: screens, one wallpaper window per screen, their
// occlusion, the pointer and the idle time. X11 and Wayland implement it; everything runs on the
// main thread, the backend reading its connection from Qt's event loop.
//
// Teardown order: windows (their EGL surfaces need the device), then the device (its EGL display
// lives on the backend's connection), then the backend.
class DesktopBackend {
public:
    virtual ~DesktopBackend() = default;

    // For gpu::Device::create: the EGL platform enum and the native display it takes.
    virtual unsigned eglPlatform() const = 0;
    virtual void* nativeDisplay() const = 0;

    // The screens as last reported, in the system's order (sortScreens).
    virtual std::vector<Screen> screens() const = 0;
    // Called after the screen list changed (added, removed, moved, resized, renamed, reordered).
    virtual void setScreensChangedHandler(std::function<void()> handler) = 0;

    // A window at the screen's frame, shown. With a device (made on this backend's display) it
    // gets an EGL window surface. A window already made for that screen is destroyed first.
    // Null when the window could not be made.
    virtual DesktopWindow* createWindow(const Screen& screen, gpu::Device* device) = 0;
    virtual void destroyWindow(std::uint32_t displayID) = 0;
    virtual DesktopWindow* window(std::uint32_t displayID) const = 0;
    // Called when a window turns visible or covered (its visible() has the new state).
    virtual void setOcclusionChangedHandler(std::function<void(DesktopWindow&)> handler) = 0;

    // The pointer in screen pixels; none when it is not on this display.
    virtual std::optional<PixelPoint> pointerPosition() = 0;
    // Seconds since the last keyboard or pointer input; none when the server cannot tell.
    virtual std::optional<double> idleSeconds() = 0;
};

}  // namespace lumen::app
