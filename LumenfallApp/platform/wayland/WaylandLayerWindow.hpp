#pragma once

#include "gpu/WindowSurface.hpp"
#include "platform/DesktopBackend.hpp"
#include "platform/DesktopWindow.hpp"
#include "platform/Screen.hpp"
#include "platform/wayland/SurfaceVisibility.hpp"

#include <QTimer>

#include <functional>
#include <optional>

struct wl_callback;
struct wl_compositor;
struct wl_display;
struct wl_egl_window;
struct wl_output;
struct wl_surface;
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;

namespace lumen::gpu {
class Device;
}

namespace lumen::app {

// A layer surface on one output drawn through an EGL window surface: the wallpaper on the
// background layer (anchored to every edge, over no panel's room, no keyboard, the pointer's
// position followed) or the idle scene on the overlay layer (taking the keyboard and the pointer). Every
// configure is acknowledged and resizes the EGL window; frame callbacks, one pending at a time,
// feed its visibility.
class WaylandLayerWindow final : public DesktopWindow {
public:
    enum class Role { wallpaper, idle };

    struct Globals {
        wl_display* display = nullptr;
        wl_compositor* compositor = nullptr;
        zwlr_layer_shell_v1* layerShell = nullptr;
    };

    // `changed` runs when visible() may have changed outside a call of ours (a frame callback's
    // answer or silence), possibly from inside a dispatch; `afterSwap` after each present, for the events EGL's round trips leave queued.
    WaylandLayerWindow(const Globals& globals, wl_output* output, const Screen& screen, Role role,
                       gpu::Device* device, std::function<void()> changed, std::function<void()> afterSwap);
    ~WaylandLayerWindow() override;
    WaylandLayerWindow(const WaylandLayerWindow&) = delete;
    WaylandLayerWindow& operator=(const WaylandLayerWindow&) = delete;

    // Asks the compositor for the first configure (a round trip) and makes the EGL surface at its size.
    void finishSetup();

    wl_surface* waylandSurface() const { return surface_; }
    Role role() const { return role_; }
    bool configured() const { return configured_; }
    bool closed() const { return closed_; }
    // The size the compositor gave, in logical pixels.
    std::pair<int, int> configuredSize() const { return {width_, height_}; }

    // Occlusion from the toplevel list (wallpaper windows only).
    void setToplevelCovered(bool covered);
    // Our own idle window lies over it: covered, whatever the frame callbacks say (the compositor
    // keeps answering them under an overlay surface).
    void setCoveredByIdle(bool covered) { coveredByIdle_ = covered; }
    // Where visibility is uncertain and nothing is being drawn, a bare commit asks the compositor
    // for a frame callback: answered only if the surface is seen.
    void probe();

    std::function<void(IdleInput)> onInput;

    std::uint32_t displayID() const override { return displayID_; }
    PixelRect pixelFrame() const override { return frame_; }
    void setFrame(const PixelRect& frame, double scale, double refreshRate) override;
    bool visible() const override { return role_ == Role::idle || (!coveredByIdle_ && visibility_.visible()); }
    gpu::WindowSurface* surface() override { return eglSurface_ ? &*eglSurface_ : nullptr; }

    ScreenRect frame() const override;
    double backingScale() const override { return scale_; }
    bool onScreen() const override { return configured_ && !closed_; }
    double refreshRate() const override { return refreshRate_; }
    void present(const gpu::Texture& drawable) override;

    // For the listeners.
    void configure(std::uint32_t serial, std::uint32_t width, std::uint32_t height);
    void close();
    void frameDone(wl_callback* callback);

private:
    void requestFrame();
    void silenceCheck();
    void setOnScreen(bool before);

    Globals globals_;
    Role role_;
    std::uint32_t displayID_;
    PixelRect frame_;
    int scale_;
    double refreshRate_;
    gpu::Device* device_;
    std::function<void()> changed_;
    std::function<void()> afterSwap_;

    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layerSurface_ = nullptr;
    wl_egl_window* eglWindow_ = nullptr;
    std::optional<gpu::WindowSurface> eglSurface_;
    wl_callback* frameCallback_ = nullptr;
    int width_ = 0, height_ = 0;
    int bufferScale_ = 1;
    bool configured_ = false;
    bool closed_ = false;
    bool coveredByIdle_ = false;
    SurfaceVisibility visibility_;
    QTimer silenceTimer_;
};

}  // namespace lumen::app
