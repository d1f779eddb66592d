#include "platform/x11/X11Atoms.hpp"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <utility>

namespace lumen::app {

X11Atoms X11Atoms::intern(xcb_connection_t* connection)
{
    X11Atoms atoms;
    const std::pair<xcb_atom_t*, const char*> names[] = {
        {&atoms.wmType, "_NET_WM_WINDOW_TYPE"},
        {&atoms.wmTypeDesktop, "_NET_WM_WINDOW_TYPE_DESKTOP"},
        {&atoms.wmState, "_NET_WM_STATE"},
        {&atoms.wmStateBelow, "_NET_WM_STATE_BELOW"},
        {&atoms.wmStateSticky, "_NET_WM_STATE_STICKY"},
        {&atoms.wmStateSkipTaskbar, "_NET_WM_STATE_SKIP_TASKBAR"},
        {&atoms.wmStateSkipPager, "_NET_WM_STATE_SKIP_PAGER"},
        {&atoms.wmStateHidden, "_NET_WM_STATE_HIDDEN"},
        {&atoms.wmStateFullscreen, "_NET_WM_STATE_FULLSCREEN"},
        {&atoms.wmDesktop, "_NET_WM_DESKTOP"},
        {&atoms.icccmWmState, "WM_STATE"},
        {&atoms.currentDesktop, "_NET_CURRENT_DESKTOP"},
        {&atoms.workArea, "_NET_WORKAREA"},
        {&atoms.wmName, "_NET_WM_NAME"},
        {&atoms.utf8String, "UTF8_STRING"},
        {&atoms.clientListStacking, "_NET_CLIENT_LIST_STACKING"},
        {&atoms.motifWmHints, "_MOTIF_WM_HINTS"},
        {&atoms.edid, "EDID"},
    };
    constexpr std::size_t count = std::size(names);
    std::array<xcb_intern_atom_cookie_t, count> cookies{};
    for (std::size_t i = 0; i < count; ++i) {
        cookies[i] = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(names[i].second)),
                                     names[i].second);
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookies[i], nullptr)) {
            *names[i].first = reply->atom;
            std::free(reply);
        }
    }
    return atoms;
}

}  // namespace lumen::app
