#include "platform/x11/X11Display.hpp"

#include <xcb/xcb.h>

#include <cstdlib>

namespace lumen::app {

std::optional<X11DisplayAddress> parseX11Display(std::string_view name) {
    const std::string text(name);
    char* host = nullptr;
    int number = 0;
    int screen = 0;
    if (text.empty() || !xcb_parse_display(text.c_str(), &host, &number, &screen)) return std::nullopt;
    X11DisplayAddress address{host, number};
    std::free(host);
    // "unix" is the local socket spelt as a host.
    if (address.host == "unix") address.host.clear();
    return address;
}

std::optional<std::string> x11ConnectProblem(const std::string& name) {
    xcb_connection_t* connection = xcb_connect(name.c_str(), nullptr);
    const int error = xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    const std::string quoted = "\"" + name + "\"";
    switch (error) {
    case 0:
        return std::nullopt;
    case XCB_CONN_CLOSED_PARSE_ERR:
        return quoted + " is not an X display name (such as :0 or host:0)";
    case XCB_CONN_CLOSED_INVALID_SCREEN:
        return "the X display " + quoted + " has no such screen";
    default:
        return "cannot open the X display " + quoted + " (no X server there, or it refuses this user)";
    }
}

}  // namespace lumen::app
