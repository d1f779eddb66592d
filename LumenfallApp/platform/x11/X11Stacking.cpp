#include "platform/x11/X11Stacking.hpp"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace lumen::app {

namespace {

template <typename T>
std::unique_ptr<T, decltype(&std::free)> ownReply(T* reply)
{
    return {reply, &std::free};
}

std::vector<xcb_window_t> clientList(xcb_connection_t* c, xcb_window_t root, xcb_atom_t atom, bool& present)
{
    present = false;
    std::vector<xcb_window_t> list;
    if (atom == XCB_NONE) {
        return list;
    }
    auto reply = ownReply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, atom, XCB_ATOM_WINDOW, 0, 1u << 16), nullptr));
    if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32) {
        return list;
    }
    present = true;
    const auto* data = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
    list.assign(data, data + xcb_get_property_value_length(reply.get()) / 4);
    return list;
}

// The 32-bit values of a property of any type; empty when it is unset or not 32-bit.
std::vector<std::uint32_t> cardinals(xcb_connection_t* c, xcb_window_t window, xcb_atom_t atom)
{
    std::vector<std::uint32_t> values;
    if (atom == XCB_NONE) {
        return values;
    }
    auto reply = ownReply(xcb_get_property_reply(c, xcb_get_property(c, 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
                                            nullptr));
    if (!reply || reply->format != 32) {
        return values;
    }
    const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    values.assign(data, data + xcb_get_property_value_length(reply.get()) / 4);
    return values;
}

// The window's ancestor that is a child of the root: the frame the window manager put around it.
xcb_window_t topLevel(xcb_connection_t* c, xcb_window_t root, xcb_window_t window)
{
    for (int depth = 0; depth < 16; ++depth) {
        auto tree = ownReply(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        if (!tree) {
            return XCB_NONE;
        }
        if (tree->parent == root || tree->parent == XCB_NONE) {
            return window;
        }
        window = tree->parent;
    }
    return window;
}

}  // namespace

X11Stacking X11Stacking::read(xcb_connection_t* c, xcb_window_t root, const X11Atoms& atoms)
{
    X11Stacking stacking;
    std::vector<xcb_window_t> clients = clientList(c, root, atoms.clientListStacking, stacking.fromWindowManager);
    if (!stacking.fromWindowManager) {
        if (auto tree = ownReply(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr))) {
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            clients.assign(children, children + xcb_query_tree_children_length(tree.get()));
        }
    }
    if (stacking.fromWindowManager) {
        const auto current = cardinals(c, root, atoms.currentDesktop);
        stacking.desktop.current = current.empty() ? 0 : current.front();
        // Four values (x, y, width, height) per desktop.
        const auto area = cardinals(c, root, atoms.workArea);
        const std::size_t at = std::size_t{stacking.desktop.current} * 4;
        if (area.size() >= at + 4) {
            stacking.desktop.workArea = PixelRect{static_cast<int>(area[at]), static_cast<int>(area[at + 1]),
                                                  static_cast<int>(area[at + 2]), static_cast<int>(area[at + 3])};
        }
    }
    constexpr std::uint32_t iconicState = 3;
    for (xcb_window_t client : clients) {
        const auto attrCookie = xcb_get_window_attributes(c, client);
        const auto stateCookie = xcb_get_property(c, 0, client, atoms.wmState, XCB_ATOM_ATOM, 0, 64);
        auto attributes = ownReply(xcb_get_window_attributes_reply(c, attrCookie, nullptr));
        auto state = ownReply(xcb_get_property_reply(c, stateCookie, nullptr));
        if (!attributes) {
            continue;  // gone meanwhile
        }
        if (!stacking.fromWindowManager && attributes->override_redirect) {
            continue;
        }
        Entry entry;
        entry.client = client;
        entry.window.mapped = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        if (state && state->format == 32) {
            const auto* atomsSet = static_cast<const xcb_atom_t*>(xcb_get_property_value(state.get()));
            const int count = xcb_get_property_value_length(state.get()) / 4;
            for (int i = 0; i < count; ++i) {
                entry.window.hidden |= atomsSet[i] == atoms.wmStateHidden;
                entry.window.fullscreen |= atomsSet[i] == atoms.wmStateFullscreen;
                entry.window.sticky |= atomsSet[i] == atoms.wmStateSticky;
            }
        }
        if (stacking.fromWindowManager) {
            const auto icccm = cardinals(c, client, atoms.icccmWmState);
            entry.window.hidden |= !icccm.empty() && icccm.front() == iconicState;
            if (const auto desktop = cardinals(c, client, atoms.wmDesktop); !desktop.empty()) {
                entry.window.desktop = desktop.front();
            }
        }
        const xcb_window_t frame = stacking.fromWindowManager ? topLevel(c, root, client) : client;
        auto geometry = ownReply(xcb_get_geometry_reply(c, xcb_get_geometry(c, frame), nullptr));
        if (!geometry) {
            continue;
        }
        entry.window.frame = {geometry->x, geometry->y, geometry->width + 2 * geometry->border_width,
                              geometry->height + 2 * geometry->border_width};
        stacking.entries.push_back(entry);
    }
    return stacking;
}

std::vector<StackedWindow> X11Stacking::above(xcb_window_t window, const std::vector<xcb_window_t>& excluded) const
{
    auto start = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.client == window; });
    start = start == entries.end() ? entries.begin() : start + 1;
    std::vector<StackedWindow> result;
    for (auto it = start; it != entries.end(); ++it) {
        if (std::find(excluded.begin(), excluded.end(), it->client) == excluded.end()) {
            result.push_back(it->window);
        }
    }
    return result;
}

}  // namespace lumen::app
