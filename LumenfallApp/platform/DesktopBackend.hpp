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

// The input that ends the idle scene, as an idle window reports it.
enum class IdleInput { key, button, motion };

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
    // The visual the windows are made with (X11: a VisualID), for the device's window config;
    // 0 where the platform has none.
    virtual unsigned nativeVisual() const { return 0; }

    // The screens as last reported, in the system's order (sortScreens). Valid until the next
    // screen change is handled; the pointer reads it every few frames, so it is not copied.
    virtual const std::vector<Screen>& screens() const = 0;
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

    // A window for the idle scene at the screen's frame, shown above every other window: black
    // until drawn, the pointer hidden until it moves, and while any idle window is up the
    // keyboard and the pointer go to them. `onInput` runs on every key press, button press
    // (scrolling included) and pointer motion; the backend copes with the window being destroyed
    // from within the call. Idle windows count as covering the wallpaper windows under them, and
    // they are never reported to the occlusion handler. Null when the window could not be made.
    virtual DesktopWindow* createIdleWindow(const Screen& screen, gpu::Device* device,
                                            std::function<void(IdleInput)> onInput) = 0;
    virtual void destroyIdleWindow(DesktopWindow& window) = 0;

    // The window the window manager has active, to be given back after the idle scene; none
    // without a window manager, without an active window, or when it is one of ours.
    virtual std::optional<std::uint64_t> activeWindow() = 0;
    // Asks the window manager to activate that window again, as a pager would.
    virtual void activateWindow(std::uint64_t window) = 0;

    // Whether the displays are powered down (DPMS); none when the server cannot tell.
    virtual std::optional<bool> displaysAsleep() = 0;
};

}  // namespace lumen::app
