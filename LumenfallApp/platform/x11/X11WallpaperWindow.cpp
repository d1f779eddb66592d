#include "platform/x11/X11WallpaperWindow.hpp"

#include "gpu/Device.hpp"
#include "gpu/Texture.hpp"
#include "log/EventLog.hpp"

#include <xcb/shape.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace lumen::app {

namespace {

void setAtoms(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type,
              const std::uint32_t* values, std::uint32_t count)
{
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, 32, count, values);
}

void setText(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type, std::string_view text)
{
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, 8, static_cast<std::uint32_t>(text.size()),
                        text.data());
}

}  // namespace

X11WallpaperWindow::X11WallpaperWindow(xcb_connection_t* connection, const xcb_screen_t& xscreen,
                                       const X11Atoms& atoms, const Screen& screen, bool inputShape,
                                       gpu::Device* device, std::function<void()> afterSwap)
    : connection_(connection), displayID_(screen.id), frame_(screen.frame), scale_(screen.scale),
      refreshRate_(screen.refreshRate), device_(device), afterSwap_(std::move(afterSwap))
{
    const xcb_window_t window = xcb_generate_id(connection_);
    const std::uint32_t mask = XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK;
    // The root visual is 24-bit TrueColor in practice; the pixel is its RGB.
    const std::uint32_t values[] = {backgroundRgb, 0, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    const auto cookie = xcb_create_window_checked(
        connection_, XCB_COPY_FROM_PARENT, window, xscreen.root, static_cast<std::int16_t>(frame_.x),
        static_cast<std::int16_t>(frame_.y), static_cast<std::uint16_t>(std::max(frame_.width, 1)),
        static_cast<std::uint16_t>(std::max(frame_.height, 1)), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
        xscreen.root_visual, mask, values);
    if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
        logEvent("display " + std::to_string(displayID_) + ": window refused (X error " +
                 std::to_string(error->error_code) + ")");
        std::free(error);
        return;
    }
    window_ = window;
    setProperties(atoms, frame_);
    // An empty input region: every click goes to whatever lies below. (A request of a missing
    // extension would close the connection.)
    if (inputShape) {
        xcb_shape_rectangles(connection_, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, window_,
                             0, 0, 0, nullptr);
    }
    xcb_map_window(connection_, window_);
    // Some window managers place new windows themselves; asking for the frame again keeps it.
    setFrame(frame_, scale_, refreshRate_);
    xcb_flush(connection_);

    if (device_ != nullptr) {
        // EGL's X11 platform takes a pointer to an Xlib Window (an unsigned long).
        unsigned long native = window_;
        auto made = device_->makeWindowSurface(&native);
        if (made) {
            surface_.emplace(std::move(*made));
        } else {
            logEvent("display " + std::to_string(displayID_) + ": no window surface (" + made.error().message + ")");
        }
    }
}

X11WallpaperWindow::~X11WallpaperWindow()
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

void X11WallpaperWindow::setProperties(const X11Atoms& atoms, const PixelRect& frame)
{
    setText(connection_, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, title);
    setText(connection_, window_, atoms.wmName, atoms.utf8String, title);
    static constexpr char wmClass[] = "lumenfall\0Lumenfall";
    setText(connection_, window_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, {wmClass, sizeof wmClass});

    const std::uint32_t type[] = {atoms.wmTypeDesktop};
    setAtoms(connection_, window_, atoms.wmType, XCB_ATOM_ATOM, type, 1);
    const std::uint32_t state[] = {atoms.wmStateBelow, atoms.wmStateSticky, atoms.wmStateSkipTaskbar,
                                   atoms.wmStateSkipPager};
    setAtoms(connection_, window_, atoms.wmState, XCB_ATOM_ATOM, state, 4);
    const std::uint32_t allDesktops[] = {0xFFFFFFFFu};
    setAtoms(connection_, window_, atoms.wmDesktop, XCB_ATOM_CARDINAL, allDesktops, 1);

    // WM_HINTS: input hint false (never focused), initial state normal.
    const std::uint32_t hints[9] = {1u | 2u, 0, 1, 0, 0, 0, 0, 0, 0};
    setAtoms(connection_, window_, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, hints, 9);
    // WM_NORMAL_HINTS: the position and size are the user's, so window managers keep them.
    std::uint32_t size[18] = {};
    size[0] = 1u | 2u | 4u | 8u;  // USPosition, USSize, PPosition, PSize
    size[1] = static_cast<std::uint32_t>(frame.x);
    size[2] = static_cast<std::uint32_t>(frame.y);
    size[3] = static_cast<std::uint32_t>(frame.width);
    size[4] = static_cast<std::uint32_t>(frame.height);
    setAtoms(connection_, window_, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, size, 18);
    // Motif hints: no decorations, for window managers that draw them even on desktop windows.
    const std::uint32_t motif[5] = {2, 0, 0, 0, 0};
    setAtoms(connection_, window_, atoms.motifWmHints, atoms.motifWmHints, motif, 5);
}

void X11WallpaperWindow::setFrame(const PixelRect& frame, double scale, double refreshRate)
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

bool X11WallpaperWindow::setVisible(bool visible)
{
    if (visible == visible_) {
        return false;
    }
    visible_ = visible;
    return true;
}

ScreenRect X11WallpaperWindow::frame() const
{
    return {frame_.x / scale_, frame_.y / scale_, frame_.width / scale_, frame_.height / scale_};
}

void X11WallpaperWindow::present(const gpu::Texture& drawable)
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
