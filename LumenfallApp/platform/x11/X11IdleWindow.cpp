#include "platform/x11/X11IdleWindow.hpp"

namespace lumen::app {

X11IdleWindow::X11IdleWindow(xcb_connection_t* connection, const xcb_screen_t& xscreen, const X11Atoms& atoms,
                             const Screen& screen, xcb_cursor_t cursor, gpu::Device* device,
                             std::function<void(IdleInput)> onInput, std::function<void()> afterSwap)
    : X11SurfaceWindow(connection, screen, device, std::move(afterSwap)), onInput_(std::move(onInput))
{
    const std::uint32_t mask = XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK | XCB_CW_CURSOR;
    const std::uint32_t values[] = {xscreen.black_pixel, 1,
                                    XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_BUTTON_PRESS |
                                        XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                                    cursor};
    if (!create(xscreen, mask, values, "idle window")) {
        return;
    }
    // Names for tools that list windows; no window manager ever sees this one.
    setNames(atoms, title);
    xcb_map_window(connection_, xid());
    xcb_flush(connection_);
    makeSurface("idle window");
}

void X11IdleWindow::setCursor(xcb_cursor_t cursor)
{
    xcb_change_window_attributes(connection_, xid(), XCB_CW_CURSOR, &cursor);
}

void X11IdleWindow::raise()
{
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(connection_, xid(), XCB_CONFIG_WINDOW_STACK_MODE, &above);
}

}  // namespace lumen::app
