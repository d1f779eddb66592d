#pragma once

#include "platform/OcclusionModel.hpp"
#include "platform/x11/X11Atoms.hpp"

#include <xcb/xcb.h>

#include <vector>

namespace lumen::app {

// The top-level windows from bottom to top, as occlusion sees them: the window manager's
// _NET_CLIENT_LIST_STACKING with each client's frame (its top-level ancestor), map state and
// _NET_WM_STATE, WM_STATE (Iconic counts as hidden) and _NET_WM_DESKTOP, and the root's current
// desktop and work area. Without an EWMH window manager, the root's children (override-redirect
// ones left out) stand in.
struct X11Stacking {
    struct Entry {
        xcb_window_t client = XCB_NONE;
        StackedWindow window;
    };
    std::vector<Entry> entries;
    bool fromWindowManager = false;
    DesktopState desktop;

    static X11Stacking read(xcb_connection_t* connection, xcb_window_t root, const X11Atoms& atoms);

    // The windows stacked above the given one (all of them when it is not listed), leaving out
    // the excluded ones.
    std::vector<StackedWindow> above(xcb_window_t window, const std::vector<xcb_window_t>& excluded) const;
};

}  // namespace lumen::app
