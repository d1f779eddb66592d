#pragma once

#include "platform/PixelRect.hpp"

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lumen::test {

// A second X client, as another application would be: reads back what the backend set and makes
// ordinary windows for the window manager to stack above the wallpaper.
class X11TestClient {
public:
    explicit X11TestClient(const std::string& display) : connection_(xcb_connect(display.c_str(), nullptr))
    {
        if (ok()) root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    }
    ~X11TestClient() { xcb_disconnect(connection_); }
    X11TestClient(const X11TestClient&) = delete;
    X11TestClient& operator=(const X11TestClient&) = delete;

    bool ok() const { return connection_ != nullptr && !xcb_connection_has_error(connection_); }
    xcb_connection_t* connection() const { return connection_; }
    xcb_window_t root() const { return root_; }

    xcb_atom_t atom(const std::string& name) const
    {
        auto reply = own(xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr));
        return reply ? reply->atom : XCB_NONE;
    }

    std::vector<std::uint32_t> cardinals(xcb_window_t window, const std::string& property) const
    {
        const auto cookie = xcb_get_property(connection_, 0, window, atom(property), XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
        auto reply = own(xcb_get_property_reply(connection_, cookie, nullptr));
        if (!reply || reply->format != 32) return {};
        const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
        return {data, data + xcb_get_property_value_length(reply.get()) / 4};
    }

    // The window's position on the root and its size.
    app::PixelRect geometry(xcb_window_t window) const
    {
        auto g = own(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
        auto t = own(xcb_translate_coordinates_reply(
            connection_, xcb_translate_coordinates(connection_, window, root_, 0, 0), nullptr));
        if (!g || !t) return {};
        return {t->dst_x, t->dst_y, g->width, g->height};
    }

    // Rectangles of the window's input shape.
    int inputRectangles(xcb_window_t window) const
    {
        auto reply = own(xcb_shape_get_rectangles_reply(
            connection_, xcb_shape_get_rectangles(connection_, window, XCB_SHAPE_SK_INPUT), nullptr));
        return reply ? static_cast<int>(reply->rectangles_len) : -1;
    }

    // A panel at the given place reserving `top` pixels at the top of the screen, mapped.
    xcb_window_t makeTopPanel(const app::PixelRect& frame, std::uint32_t top)
    {
        return makeWindow(frame, [&](xcb_window_t w) {
            const xcb_atom_t type = atom("_NET_WM_WINDOW_TYPE"), dock = atom("_NET_WM_WINDOW_TYPE_DOCK");
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, w, type, XCB_ATOM_ATOM, 32, 1, &dock);
            const std::uint32_t strut[12] = {0, 0, top, 0, 0, 0, 0, 0, 0, 0xFFFF, 0, 0};
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL,
                                32, 12, strut);
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_STRUT"), XCB_ATOM_CARDINAL, 32, 4,
                                strut);
        });
    }

    // An undecorated application window at the given place, mapped after `before` set up more.
    xcb_window_t makeWindow(const app::PixelRect& frame, const std::function<void(xcb_window_t)>& before = {})
    {
        const xcb_window_t w = xcb_generate_id(connection_);
        const std::uint32_t grey[] = {0x808080};
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, w, root_, static_cast<std::int16_t>(frame.x),
                          static_cast<std::int16_t>(frame.y), static_cast<std::uint16_t>(frame.width),
                          static_cast<std::uint16_t>(frame.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXEL, grey);
        // User-given position and size, no decorations: the frame is exactly what was asked for.
        const std::uint32_t size[18] = {1u | 2u, static_cast<std::uint32_t>(frame.x), static_cast<std::uint32_t>(frame.y),
                                        static_cast<std::uint32_t>(frame.width), static_cast<std::uint32_t>(frame.height)};
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18,
                            size);
        const xcb_atom_t motif = atom("_MOTIF_WM_HINTS");
        const std::uint32_t noDecorations[5] = {2, 0, 0, 0, 0};
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, w, motif, motif, 32, 5, noDecorations);
        if (before) before(w);
        xcb_map_window(connection_, w);
        xcb_flush(connection_);
        return w;
    }

    // Asks the window manager to make the window fullscreen, as an application does.
    void requestFullscreen(xcb_window_t window)
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom("_NET_WM_STATE");
        event.data.data32[0] = 1;  // add
        event.data.data32[1] = atom("_NET_WM_STATE_FULLSCREEN");
        event.data.data32[3] = 1;  // from an application
        xcb_send_event(connection_, 0, root_, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(connection_);
    }

private:
    template <typename T>
    static std::unique_ptr<T, decltype(&std::free)> own(T* reply)
    {
        return {reply, &std::free};
    }

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
};

}  // namespace lumen::test
