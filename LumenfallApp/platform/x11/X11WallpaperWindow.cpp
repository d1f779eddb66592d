#include "platform/x11/X11WallpaperWindow.hpp"

#include <xcb/shape.h>

namespace lumen::app {

namespace {

void setAtoms(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type,
              const std::uint32_t* values, std::uint32_t count)
{
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, 32, count, values);
}

}  // namespace

X11WallpaperWindow::X11WallpaperWindow(xcb_connection_t* connection, const xcb_screen_t& xscreen,
                                       const X11Atoms& atoms, const Screen& screen, bool inputShape,
                                       gpu::Device* device, std::function<void()> afterSwap)
    : X11SurfaceWindow(connection, screen, device, std::move(afterSwap))
{
    // The root visual is 24-bit TrueColor in practice; the pixel is its RGB.
    const std::uint32_t values[] = {backgroundRgb, 0, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    if (!create(xscreen, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values, "window")) {
        return;
    }
    setProperties(atoms, screen.frame);
    // An empty input region: every click goes to whatever lies below. (A request of a missing
    // extension would close the connection.)
    if (inputShape) {
        xcb_shape_rectangles(connection_, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, xid(), 0,
                             0, 0, nullptr);
    }
    xcb_map_window(connection_, xid());
    // Some window managers place new windows themselves; asking for the frame again keeps it.
    setFrame(screen.frame, screen.scale, screen.refreshRate);
    xcb_flush(connection_);
    makeSurface("window");
}

void X11WallpaperWindow::setProperties(const X11Atoms& atoms, const PixelRect& frame)
{
    setNames(atoms, title);

    const std::uint32_t type[] = {atoms.wmTypeDesktop};
    setAtoms(connection_, xid(), atoms.wmType, XCB_ATOM_ATOM, type, 1);
    const std::uint32_t state[] = {atoms.wmStateBelow, atoms.wmStateSticky, atoms.wmStateSkipTaskbar,
                                   atoms.wmStateSkipPager};
    setAtoms(connection_, xid(), atoms.wmState, XCB_ATOM_ATOM, state, 4);
    const std::uint32_t allDesktops[] = {0xFFFFFFFFu};
    setAtoms(connection_, xid(), atoms.wmDesktop, XCB_ATOM_CARDINAL, allDesktops, 1);

    // WM_HINTS: input hint false (never focused), initial state normal.
    const std::uint32_t hints[9] = {1u | 2u, 0, 1, 0, 0, 0, 0, 0, 0};
    setAtoms(connection_, xid(), XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, hints, 9);
    // WM_NORMAL_HINTS: the position and size are the user's, so window managers keep them.
    std::uint32_t size[18] = {};
    size[0] = 1u | 2u | 4u | 8u;  // USPosition, USSize, PPosition, PSize
    size[1] = static_cast<std::uint32_t>(frame.x);
    size[2] = static_cast<std::uint32_t>(frame.y);
    size[3] = static_cast<std::uint32_t>(frame.width);
    size[4] = static_cast<std::uint32_t>(frame.height);
    setAtoms(connection_, xid(), XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, size, 18);
    // Motif hints: no decorations, for window managers that draw them even on desktop windows.
    const std::uint32_t motif[5] = {2, 0, 0, 0, 0};
    setAtoms(connection_, xid(), atoms.motifWmHints, atoms.motifWmHints, motif, 5);
}

bool X11WallpaperWindow::setVisible(bool visible)
{
    if (visible == visible_) {
        return false;
    }
    visible_ = visible;
    return true;
}

}  // namespace lumen::app
