#pragma once

#include <xcb/xcb.h>

namespace lumen::app {

// The atoms the backend uses, interned together in one round trip's time.
struct X11Atoms {
    xcb_atom_t wmType = XCB_NONE;
    xcb_atom_t wmTypeDesktop = XCB_NONE;
    xcb_atom_t wmState = XCB_NONE;
    xcb_atom_t wmStateBelow = XCB_NONE;
    xcb_atom_t wmStateSticky = XCB_NONE;
    xcb_atom_t wmStateSkipTaskbar = XCB_NONE;
    xcb_atom_t wmStateSkipPager = XCB_NONE;
    xcb_atom_t wmStateHidden = XCB_NONE;
    xcb_atom_t wmStateFullscreen = XCB_NONE;
    xcb_atom_t wmDesktop = XCB_NONE;
    xcb_atom_t icccmWmState = XCB_NONE;  // WM_STATE: Normal or Iconic
    xcb_atom_t currentDesktop = XCB_NONE;
    xcb_atom_t workArea = XCB_NONE;
    xcb_atom_t wmName = XCB_NONE;
    xcb_atom_t utf8String = XCB_NONE;
    xcb_atom_t clientListStacking = XCB_NONE;
    xcb_atom_t motifWmHints = XCB_NONE;
    xcb_atom_t edid = XCB_NONE;

    static X11Atoms intern(xcb_connection_t* connection);
};

}  // namespace lumen::app
