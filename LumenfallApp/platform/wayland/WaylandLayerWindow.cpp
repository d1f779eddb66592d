#include "platform/wayland/WaylandLayerWindow.hpp"

#include "gpu/Device.hpp"
#include "log/EventLog.hpp"
#include "platform/wayland/MonotonicClock.hpp"
#include "platform/wayland/WaylandProtocols.hpp"

#include <wayland-egl.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace lumen::app {

namespace {

WaylandLayerWindow& windowOf(void* data) { return *static_cast<WaylandLayerWindow*>(data); }

const zwlr_layer_surface_v1_listener layerListener{
    .configure = [](void* data, zwlr_layer_surface_v1*, std::uint32_t serial, std::uint32_t width,
                    std::uint32_t height) { windowOf(data).configure(serial, width, height); },
    .closed = [](void* data, zwlr_layer_surface_v1*) { windowOf(data).close(); },
};

const wl_callback_listener frameListener{
    .done = [](void* data, wl_callback* callback, std::uint32_t) { windowOf(data).frameDone(callback); },
};

}  // namespace

WaylandLayerWindow::WaylandLayerWindow(const Globals& globals, wl_output* output, const Screen& screen, Role role,
                                       gpu::Device* device, std::function<void()> changed,
                                       std::function<void()> afterSwap)
    : globals_(globals), role_(role), displayID_(screen.id), frame_(screen.frame),
      scale_(std::max(1, static_cast<int>(screen.scale))), refreshRate_(screen.refreshRate), device_(device),
      changed_(std::move(changed)), afterSwap_(std::move(afterSwap))
{
    silenceTimer_.setSingleShot(true);
    QObject::connect(&silenceTimer_, &QTimer::timeout, [this] { silenceCheck(); });

    surface_ = wl_compositor_create_surface(globals_.compositor);
    const bool idle = role_ == Role::idle;
    layerSurface_ = zwlr_layer_shell_v1_get_layer_surface(
        globals_.layerShell, surface_, output,
        idle ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND,
        idle ? "lumenfall-idle" : "lumenfall-wallpaper");
    zwlr_layer_surface_v1_add_listener(layerSurface_, &layerListener, this);
    zwlr_layer_surface_v1_set_anchor(layerSurface_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                        ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                        ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                        ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    // -1: over panels' reserved room too, and moved by no one's exclusive zone.
    zwlr_layer_surface_v1_set_exclusive_zone(layerSurface_, -1);
    zwlr_layer_surface_v1_set_size(layerSurface_, 0, 0);
    // The wallpaper never takes the keyboard. It keeps the default input region (all of it): the
    // pointer's enter and motion on it are the only way a Wayland client learns where the pointer
    // is, which the scenes follow, and nothing lies under the background layer to miss a click.
    zwlr_layer_surface_v1_set_keyboard_interactivity(layerSurface_, idle ? 1u : 0u);
    bufferScale_ = scale_;
    wl_surface_set_buffer_scale(surface_, bufferScale_);
    wl_surface_commit(surface_);
}

WaylandLayerWindow::~WaylandLayerWindow()
{
    silenceTimer_.stop();
    if (device_ != nullptr) device_->makeCurrent();  // the surface deletes its GL objects with the context current
    eglSurface_.reset();
    if (eglWindow_ != nullptr) wl_egl_window_destroy(eglWindow_);
    if (frameCallback_ != nullptr) wl_callback_destroy(frameCallback_);
    if (layerSurface_ != nullptr) zwlr_layer_surface_v1_destroy(layerSurface_);
    if (surface_ != nullptr) wl_surface_destroy(surface_);
    wl_display_flush(globals_.display);
}

void WaylandLayerWindow::finishSetup()
{
    // The first configure says the size; no buffer may be attached before it.
    for (int tries = 0; tries < 3 && !configured_ && !closed_; ++tries) {
        if (wl_display_roundtrip(globals_.display) < 0) break;
    }
    if (!configured_) {
        logEvent("display " + std::to_string(displayID_) + ": the compositor sent no configure for the layer surface");
        return;
    }
    if (device_ == nullptr) return;
    eglWindow_ = wl_egl_window_create(surface_, std::max(1, width_ * bufferScale_), std::max(1, height_ * bufferScale_));
    auto made = device_->makeWindowSurface(eglWindow_);
    if (made) {
        eglSurface_.emplace(std::move(*made));
    } else {
        logEvent("display " + std::to_string(displayID_) + ": no EGL surface for the layer surface (" +
                 made.error().message + ")");
    }
}

void WaylandLayerWindow::configure(std::uint32_t serial, std::uint32_t width, std::uint32_t height)
{
    zwlr_layer_surface_v1_ack_configure(layerSurface_, serial);
    const bool before = onScreen();
    // 0 leaves the size to us; anchored to every edge it never is, but keep the output's.
    width_ = width > 0 ? static_cast<int>(width) : frame_.width / scale_;
    height_ = height > 0 ? static_cast<int>(height) : frame_.height / scale_;
    if (eglWindow_ != nullptr) {
        wl_egl_window_resize(eglWindow_, width_ * bufferScale_, height_ * bufferScale_, 0, 0);
    }
    configured_ = true;
    // The acknowledgement travels with the next commit; a window not drawing soon sends it now.
    if (before) wl_surface_commit(surface_);
    setOnScreen(before);
}

void WaylandLayerWindow::close()
{
    const bool before = onScreen();
    closed_ = true;
    setOnScreen(before);
}

void WaylandLayerWindow::setOnScreen(bool before)
{
    if (before != onScreen() && onScreenChanged) onScreenChanged();
}

void WaylandLayerWindow::setFrame(const PixelRect& frame, double scale, double refreshRate)
{
    frame_ = frame;
    scale_ = std::max(1, static_cast<int>(scale));
    refreshRate_ = refreshRate;
    // The size follows the compositor's configure; the scale is ours to say.
    if (bufferScale_ != scale_) {
        bufferScale_ = scale_;
        wl_surface_set_buffer_scale(surface_, bufferScale_);
        if (eglWindow_ != nullptr && width_ > 0) {
            wl_egl_window_resize(eglWindow_, width_ * bufferScale_, height_ * bufferScale_, 0, 0);
            // A still whose pixel count stays is not drawn again: the buffer shown may already have
            // the new size, and only needs the new scale committed (a size the scale divides).
            int shownWidth = 0, shownHeight = 0;
            wl_egl_window_get_attached_size(eglWindow_, &shownWidth, &shownHeight);
            if (shownWidth % bufferScale_ == 0 && shownHeight % bufferScale_ == 0) {
                wl_surface_commit(surface_);
                wl_display_flush(globals_.display);
            }
        }
    }
}

ScreenRect WaylandLayerWindow::frame() const
{
    // The screen's frame as last set, like X11's: the host notices a resize by comparing them. The
    // configured size may arrive first; the EGL window follows it and present() stretches to it.
    const double scale = scale_;
    return {frame_.x / scale, frame_.y / scale, frame_.width / scale, frame_.height / scale};
}

void WaylandLayerWindow::requestFrame()
{
    if (frameCallback_ != nullptr || closed_) return;
    frameCallback_ = wl_surface_frame(surface_);
    wl_callback_add_listener(frameCallback_, &frameListener, this);
    visibility_.frameRequested(monotonicSeconds());
    silenceTimer_.start(static_cast<int>(SurfaceVisibility::silenceSeconds * 1000) + 10);
}

void WaylandLayerWindow::frameDone(wl_callback* callback)
{
    if (callback != frameCallback_) return;
    wl_callback_destroy(frameCallback_);
    frameCallback_ = nullptr;
    silenceTimer_.stop();
    const bool before = visible();
    visibility_.frameDone();
    if (before != visible() && changed_) changed_();
    // Still counted as covered though seen now and then: ask again, so a wrong toplevel list is
    // found out (its window is on a workspace not shown).
    probe();
}

void WaylandLayerWindow::silenceCheck()
{
    const double now = monotonicSeconds();
    if (visibility_.checkSilence(now) && changed_) changed_();
    // Qt's coarse timers may fire up to 5% early; a check made before the deadline must not be the
    // last one, or a covered surface would keep drawing until its window closed.
    const double wait = visibility_.secondsUntilSilent(now);
    if (wait >= 0) silenceTimer_.start(static_cast<int>(std::ceil(wait * 1000)) + 10);
}

void WaylandLayerWindow::setToplevelCovered(bool covered) { visibility_.setToplevelCovered(covered); }

void WaylandLayerWindow::probe()
{
    if (role_ != Role::wallpaper || !configured_ || closed_ || frameCallback_ != nullptr || visibility_.visible()) {
        return;
    }
    requestFrame();
    wl_surface_commit(surface_);
    wl_display_flush(globals_.display);
}

void WaylandLayerWindow::present(const gpu::Texture& drawable)
{
    if (!eglSurface_ || device_ == nullptr || !onScreen()) return;
    // Asked before the swap, whose commit carries it.
    requestFrame();
    eglSurface_->present(drawable);
    device_->makeCurrent();
    if (afterSwap_) afterSwap_();
}

}  // namespace lumen::app
