#pragma once

#include "platform/PixelRect.hpp"

#include <xcb/xcb.h>

#include <string>
#include <vector>

namespace lumen::test {

// A second X client, as another application would be: reads back what the backend set and makes
// ordinary windows for the window manager to stack above the wallpaper.
class X11TestClient {
public:
    explicit X11TestClient(const std::string& display);
    ~X11TestClient();
    X11TestClient(const X11TestClient&) = delete;
    X11TestClient& operator=(const X11TestClient&) = delete;

    bool ok() const { return connection_ != nullptr && !xcb_connection_has_error(connection_); }
    xcb_connection_t* connection() const { return connection_; }
    xcb_window_t root() const { return root_; }
    xcb_atom_t atom(const std::string& name) const;

    std::vector<std::uint32_t> cardinals(xcb_window_t window, const std::string& property) const;
    // The window's position on the root and its size.
    app::PixelRect geometry(xcb_window_t window) const;
    // Rectangles of the window's input shape.
    int inputRectangles(xcb_window_t window) const;

    // An undecorated application window at the given place, mapped.
    xcb_window_t makeWindow(const app::PixelRect& frame);
    // Asks the window manager to make the window fullscreen.
    void requestFullscreen(xcb_window_t window);

private:
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
};

}  // namespace lumen::test
