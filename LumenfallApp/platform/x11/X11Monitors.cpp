#include "platform/x11/X11Monitors.hpp"

#include "platform/x11/Edid.hpp"

#include <xcb/randr.h>

#include <cstdlib>
#include <memory>
#include <optional>

namespace lumen::app::X11Monitors {

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> own(T* reply)
{
    return Reply<T>(reply, &std::free);
}

}  // namespace

double modeRate(const xcb_randr_mode_info_t& mode)
{
    if (mode.htotal == 0 || mode.vtotal == 0) {
        return 0;
    }
    double rate = double(mode.dot_clock) / (double(mode.htotal) * double(mode.vtotal));
    if (mode.mode_flags & XCB_RANDR_MODE_FLAG_DOUBLE_SCAN) {
        rate /= 2;
    }
    if (mode.mode_flags & XCB_RANDR_MODE_FLAG_INTERLACE) {
        rate *= 2;
    }
    return rate;
}

namespace {

struct Crtc {
    PixelRect frame;
    double rate = 0;
};

struct Resources {
    Reply<xcb_randr_get_screen_resources_current_reply_t> reply{nullptr, &std::free};
    std::vector<std::pair<xcb_randr_crtc_t, Crtc>> crtcs;

    std::optional<Crtc> crtc(xcb_randr_crtc_t id) const
    {
        for (const auto& [cid, c] : crtcs) {
            if (cid == id) {
                return c;
            }
        }
        return std::nullopt;
    }
};

Resources readResources(xcb_connection_t* c, xcb_window_t root)
{
    Resources res;
    res.reply = own(xcb_randr_get_screen_resources_current_reply(
        c, xcb_randr_get_screen_resources_current(c, root), nullptr));
    if (!res.reply) {
        return res;
    }
    const xcb_randr_mode_info_t* modes = xcb_randr_get_screen_resources_current_modes(res.reply.get());
    const int modeCount = xcb_randr_get_screen_resources_current_modes_length(res.reply.get());
    const xcb_randr_crtc_t* crtcs = xcb_randr_get_screen_resources_current_crtcs(res.reply.get());
    const int crtcCount = xcb_randr_get_screen_resources_current_crtcs_length(res.reply.get());
    std::vector<xcb_randr_get_crtc_info_cookie_t> cookies;
    for (int i = 0; i < crtcCount; ++i) {
        cookies.push_back(xcb_randr_get_crtc_info(c, crtcs[i], res.reply->config_timestamp));
    }
    for (int i = 0; i < crtcCount; ++i) {
        auto info = own(xcb_randr_get_crtc_info_reply(c, cookies[i], nullptr));
        if (!info || info->mode == XCB_NONE) {
            continue;
        }
        Crtc crtc{{info->x, info->y, info->width, info->height}, 0};
        for (int m = 0; m < modeCount; ++m) {
            if (modes[m].id == info->mode) {
                crtc.rate = modeRate(modes[m]);
            }
        }
        res.crtcs.emplace_back(crtcs[i], crtc);
    }
    return res;
}

std::string atomName(xcb_connection_t* c, xcb_atom_t atom)
{
    auto reply = own(xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atom), nullptr));
    if (!reply) {
        return {};
    }
    return std::string(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get()));
}

std::string edidName(xcb_connection_t* c, xcb_randr_output_t output, xcb_atom_t edidAtom)
{
    if (edidAtom == XCB_NONE) {
        return {};
    }
    // 128 longs: the base block and one extension are plenty for the name.
    auto reply = own(xcb_randr_get_output_property_reply(
        c, xcb_randr_get_output_property(c, output, edidAtom, XCB_GET_PROPERTY_TYPE_ANY, 0, 128, 0, 0), nullptr));
    if (!reply || reply->format != 8) {
        return {};
    }
    const auto* data = xcb_randr_get_output_property_data(reply.get());
    const int length = xcb_randr_get_output_property_data_length(reply.get());
    return Edid::productName({data, static_cast<std::size_t>(length)});
}

// The rate of the CRTC sharing the most area with a monitor that has no output of its own.
double overlappingRate(const Resources& res, const PixelRect& frame)
{
    double rate = 0;
    std::int64_t best = 0;
    for (const auto& [id, crtc] : res.crtcs) {
        if (!crtc.frame.intersects(frame)) {
            continue;
        }
        const std::int64_t w = std::min(crtc.frame.right(), frame.right()) - std::max(crtc.frame.x, frame.x);
        const std::int64_t h = std::min(crtc.frame.bottom(), frame.bottom()) - std::max(crtc.frame.y, frame.y);
        if (w * h > best) {
            best = w * h;
            rate = crtc.rate;
        }
    }
    return rate;
}

}  // namespace

std::vector<Screen> query(xcb_connection_t* c, xcb_window_t root, const X11Atoms& atoms, double scale)
{
    std::vector<Screen> screens;
    auto monitors = own(xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, root, 1), nullptr));
    if (!monitors) {
        return screens;
    }
    const Resources res = readResources(c, root);
    for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get()); it.rem; xcb_randr_monitor_info_next(&it)) {
        const xcb_randr_monitor_info_t* m = it.data;
        Screen screen;
        screen.frame = {m->x, m->y, m->width, m->height};
        screen.primary = m->primary != 0;
        screen.scale = scale;
        const xcb_randr_output_t* outputs = xcb_randr_monitor_info_outputs(m);
        if (xcb_randr_monitor_info_outputs_length(m) > 0) {
            screen.id = outputs[0];
            auto info = own(xcb_randr_get_output_info_reply(
                c, xcb_randr_get_output_info(c, outputs[0], res.reply ? res.reply->config_timestamp : XCB_CURRENT_TIME),
                nullptr));
            screen.name = edidName(c, outputs[0], atoms.edid);
            if (screen.name.empty() && info) {
                screen.name.assign(reinterpret_cast<const char*>(xcb_randr_get_output_info_name(info.get())),
                                   xcb_randr_get_output_info_name_length(info.get()));
            }
            if (info) {
                if (auto crtc = res.crtc(info->crtc)) {
                    screen.refreshRate = crtc->rate;
                }
            }
        } else {
            screen.id = m->name | virtualMonitorBit;
            screen.refreshRate = overlappingRate(res, screen.frame);
        }
        if (screen.name.empty()) {
            screen.name = atomName(c, m->name);
        }
        screens.push_back(std::move(screen));
    }
    sortScreens(screens);
    return screens;
}

}  // namespace lumen::app::X11Monitors
