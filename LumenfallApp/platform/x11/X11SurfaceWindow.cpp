#include "platform/x11/X11SurfaceWindow.hpp"

#include "gpu/Device.hpp"
#include "gpu/Texture.hpp"
#include "log/EventLog.hpp"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace lumen::app {

X11SurfaceWindow::X11SurfaceWindow(xcb_connection_t* connection, const Screen& screen, gpu::Device* device,
                                   std::function<void()> afterSwap)
    : connection_(connection), displayID_(screen.id), frame_(screen.frame), scale_(screen.scale),
      refreshRate_(screen.refreshRate), device_(device), afterSwap_(std::move(afterSwap))
{
}

X11SurfaceWindow::~X11SurfaceWindow()
{
    if (device_ != nullptr) {
        device_->makeCurrent();  // the surface deletes its GL objects with the context current
    }
    surface_.reset();
    if (window_ != XCB_NONE) {
        xcb_destroy_window(connection_, window_);
        xcb_flush(connection_);
    }
}

bool X11SurfaceWindow::create(const xcb_screen_t& xscreen, std::uint32_t mask, const std::uint32_t* values,
                              std::string_view what)
{
    const xcb_window_t window = xcb_generate_id(connection_);
    const auto cookie = xcb_create_window_checked(
        connection_, XCB_COPY_FROM_PARENT, window, xscreen.root, static_cast<std::int16_t>(frame_.x),
        static_cast<std::int16_t>(frame_.y), static_cast<std::uint16_t>(std::max(frame_.width, 1)),
        static_cast<std::uint16_t>(std::max(frame_.height, 1)), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
        xscreen.root_visual, mask, values);
    if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
        logEvent("display " + std::to_string(displayID_) + ": " + std::string(what) + " refused (X error " +
                 std::to_string(error->error_code) + ")");
        std::free(error);
        return false;
    }
    window_ = window;
    return true;
}

void X11SurfaceWindow::setText(xcb_atom_t property, xcb_atom_t type, std::string_view text)
{
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, property, type, 8,
                        static_cast<std::uint32_t>(text.size()), text.data());
}

void X11SurfaceWindow::setNames(const X11Atoms& atoms, std::string_view title)
{
    setText(XCB_ATOM_WM_NAME, XCB_ATOM_STRING, title);
    setText(atoms.wmName, atoms.utf8String, title);
    static constexpr char wmClass[] = "lumenfall\0Lumenfall";
    setText(XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, {wmClass, sizeof wmClass});
}

void X11SurfaceWindow::makeSurface(std::string_view what)
{
    if (device_ == nullptr || window_ == XCB_NONE) {
        return;
    }
    // EGL's X11 platform takes a pointer to an Xlib Window (an unsigned long).
    unsigned long native = window_;
    auto made = device_->makeWindowSurface(&native);
    if (made) {
        surface_.emplace(std::move(*made));
    } else {
        logEvent("display " + std::to_string(displayID_) + ": no " + std::string(what) + " surface (" +
                 made.error().message + ")");
    }
}

void X11SurfaceWindow::setMapped(bool mapped)
{
    if (mapped_ == mapped) {
        return;
    }
    mapped_ = mapped;
    if (onScreenChanged) {
        onScreenChanged();
    }
}

void X11SurfaceWindow::setFrame(const PixelRect& frame, double scale, double refreshRate)
{
    frame_ = frame;
    scale_ = scale;
    refreshRate_ = refreshRate;
    if (window_ == XCB_NONE) {
        return;
    }
    const std::uint32_t values[] = {static_cast<std::uint32_t>(frame.x), static_cast<std::uint32_t>(frame.y),
                                    static_cast<std::uint32_t>(std::max(frame.width, 1)),
                                    static_cast<std::uint32_t>(std::max(frame.height, 1))};
    xcb_configure_window(connection_, window_,
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         values);
    xcb_flush(connection_);
}

ScreenRect X11SurfaceWindow::frame() const
{
    return {frame_.x / scale_, frame_.y / scale_, frame_.width / scale_, frame_.height / scale_};
}

void X11SurfaceWindow::present(const gpu::Texture& drawable)
{
    if (!surface_ || device_ == nullptr) {
        return;
    }
    surface_->present(drawable);
    device_->makeCurrent();
    if (afterSwap_) {
        afterSwap_();
    }
}

}  // namespace lumen::app
