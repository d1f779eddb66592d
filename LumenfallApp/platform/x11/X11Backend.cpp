#include "platform/x11/X11Backend.hpp"

#include "log/EventLog.hpp"
#include "platform/x11/X11Monitors.hpp"
#include "platform/x11/X11Stacking.hpp"
#include "platform/x11/XResources.hpp"

#include <QSocketNotifier>
#include <QTimer>

#include <xcb/randr.h>
#include <xcb/screensaver.h>
#include <xcb/shape.h>

// Xlib last: its macros (None, Bool, Status) clash with everything above.
#include <X11/Xlib-xcb.h>
#include <epoxy/egl.h>

#include <cstdlib>

namespace lumen::app {

namespace {

template <typename T>
std::unique_ptr<T, decltype(&std::free)> own(T* reply)
{
    return {reply, &std::free};
}

void fail(std::string* error, std::string text)
{
    if (error != nullptr) {
        *error = std::move(text);
    }
}

}  // namespace

std::unique_ptr<X11Backend> X11Backend::open(const char* displayName, std::string* error)
{
    Display* display = XOpenDisplay(displayName);
    if (display == nullptr) {
        fail(error, std::string("cannot open X display ") + (displayName ? displayName : "$DISPLAY"));
        return nullptr;
    }
    std::unique_ptr<X11Backend> backend(new X11Backend);
    backend->display_ = display;
    xcb_connection_t* c = XGetXCBConnection(display);
    // Events are read with xcb; Xlib is only there for EGL.
    XSetEventQueueOwner(display, XCBOwnsEventQueue);
    backend->connection_ = c;

    int screenNumber = DefaultScreen(display);
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it), --screenNumber) {
        if (screenNumber == 0) {
            backend->screen_ = it.data;
            break;
        }
    }
    if (backend->screen_ == nullptr) {
        fail(error, "the X display has no default screen");
        return nullptr;
    }

    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(c, &xcb_randr_id);
    auto version = own(randr && randr->present
                           ? xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 5), nullptr)
                           : nullptr);
    if (!version || version->major_version < 1 || (version->major_version == 1 && version->minor_version < 5)) {
        fail(error, "the X server lacks RandR 1.5");
        return nullptr;
    }
    backend->randrEventBase_ = randr->first_event;
    const xcb_query_extension_reply_t* saver = xcb_get_extension_data(c, &xcb_screensaver_id);
    backend->screenSaver_ = saver != nullptr && saver->present;
    const xcb_query_extension_reply_t* shape = xcb_get_extension_data(c, &xcb_shape_id);
    backend->shape_ = shape != nullptr && shape->present;

    backend->atoms_ = X11Atoms::intern(c);
    const xcb_window_t root = backend->screen_->root;
    // Structure: RandR monitor changes (xrandr --setmonitor) only send the root a ConfigureNotify.
    const std::uint32_t rootMask =
        XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &rootMask);
    xcb_randr_select_input(c, root,
                           XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE |
                               XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE | XCB_RANDR_NOTIFY_MASK_OUTPUT_PROPERTY);
    xcb_flush(c);

    backend->screens_ = X11Monitors::query(c, root, backend->atoms_, backend->readScale());
    backend->notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    QObject::connect(backend->notifier_.get(), &QSocketNotifier::activated,
                     [raw = backend.get()] { raw->processEvents(); });
    backend->scheduleDrain();
    return backend;
}

X11Backend::~X11Backend()
{
    notifier_.reset();
    windows_.clear();
    if (display_ != nullptr) {
        XCloseDisplay(display_);
    }
}

unsigned X11Backend::eglPlatform() const { return EGL_PLATFORM_X11_KHR; }

double X11Backend::readScale()
{
    auto reply = own(xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, screen_->root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, 1u << 20),
        nullptr));
    if (!reply) {
        return 1.0;
    }
    const auto* text = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return XResources::backingScale({text, static_cast<std::size_t>(xcb_get_property_value_length(reply.get()))});
}

DesktopWindow* X11Backend::createWindow(const Screen& screen, gpu::Device* device)
{
    windows_.erase(screen.id);
    auto window = std::make_unique<X11WallpaperWindow>(connection_, *screen_, atoms_, screen, shape_, device,
                                                       [this] { scheduleDrain(); });
    if (!window->valid()) {
        return nullptr;
    }
    DesktopWindow* raw = window.get();
    windows_[screen.id] = std::move(window);
    occlusionDirty_ = true;
    scheduleDrain();
    return raw;
}

void X11Backend::destroyWindow(std::uint32_t displayID)
{
    if (windows_.erase(displayID) > 0) {
        occlusionDirty_ = true;
        scheduleDrain();
    }
}

DesktopWindow* X11Backend::window(std::uint32_t displayID) const
{
    auto it = windows_.find(displayID);
    return it == windows_.end() ? nullptr : it->second.get();
}

xcb_window_t X11Backend::windowId(std::uint32_t displayID) const
{
    auto it = windows_.find(displayID);
    return it == windows_.end() ? XCB_NONE : it->second->xid();
}

std::optional<PixelPoint> X11Backend::pointerPosition()
{
    auto reply = own(xcb_query_pointer_reply(connection_, xcb_query_pointer(connection_, screen_->root), nullptr));
    scheduleDrain();
    if (!reply || !reply->same_screen) {
        return std::nullopt;
    }
    return PixelPoint{reply->root_x, reply->root_y};
}

std::optional<double> X11Backend::idleSeconds()
{
    if (!screenSaver_) {
        return std::nullopt;
    }
    auto reply = own(xcb_screensaver_query_info_reply(
        connection_, xcb_screensaver_query_info(connection_, screen_->root), nullptr));
    scheduleDrain();
    if (!reply) {
        return std::nullopt;
    }
    return reply->ms_since_user_input / 1000.0;
}

void X11Backend::scheduleDrain()
{
    if (drainScheduled_ || !notifier_) {
        return;
    }
    drainScheduled_ = true;
    QTimer::singleShot(0, notifier_.get(), [this] {
        drainScheduled_ = false;
        processEvents();
    });
}

void X11Backend::processEvents()
{
    // Handlers called from here may make reply calls; the loop below picks up what they queued.
    if (handling_) {
        return;
    }
    handling_ = true;
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            handle(event);
            std::free(event);
        }
        if (xcb_connection_has_error(connection_)) {
            logEvent("X11 connection lost");
            notifier_->setEnabled(false);
            break;
        }
        if (!screensDirty_ && !occlusionDirty_) {
            break;
        }
        if (screensDirty_) {
            screensDirty_ = false;
            refreshScreens();
        }
        if (occlusionDirty_) {
            occlusionDirty_ = false;
            recomputeOcclusion();
        }
    }
    handling_ = false;
}

void X11Backend::handle(const xcb_generic_event_t* event)
{
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == randrEventBase_ + XCB_RANDR_SCREEN_CHANGE_NOTIFY || type == randrEventBase_ + XCB_RANDR_NOTIFY) {
        screensDirty_ = true;
        return;
    }
    switch (type) {
    case XCB_PROPERTY_NOTIFY: {
        const auto* e = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (e->window == screen_->root) {
            if (e->atom == atoms_.clientListStacking) {
                occlusionDirty_ = true;
            } else if (e->atom == XCB_ATOM_RESOURCE_MANAGER) {
                screensDirty_ = true;
            }
        } else if (e->atom == atoms_.wmState) {
            occlusionDirty_ = true;
        }
        break;
    }
    case XCB_MAP_NOTIFY:
    case XCB_UNMAP_NOTIFY: {
        const xcb_window_t w = type == XCB_MAP_NOTIFY ? reinterpret_cast<const xcb_map_notify_event_t*>(event)->window
                                                      : reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->window;
        for (auto& [id, window] : windows_) {
            if (window->xid() == w) {
                window->setMapped(type == XCB_MAP_NOTIFY);
            }
        }
        occlusionDirty_ = true;
        break;
    }
    case XCB_DESTROY_NOTIFY:
        watched_.erase(reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window);
        occlusionDirty_ = true;
        break;
    case XCB_CONFIGURE_NOTIFY:
        if (reinterpret_cast<const xcb_configure_notify_event_t*>(event)->window == screen_->root) {
            screensDirty_ = true;
        }
        occlusionDirty_ = true;
        break;
    case XCB_REPARENT_NOTIFY:
        occlusionDirty_ = true;
        break;
    default:
        break;  // errors from clients that vanished while being looked at, and the rest
    }
}

void X11Backend::refreshScreens()
{
    auto screens = X11Monitors::query(connection_, screen_->root, atoms_, readScale());
    if (screens == screens_) {
        return;
    }
    screens_ = std::move(screens);
    occlusionDirty_ = true;
    if (screensChanged_) {
        screensChanged_();
    }
}

void X11Backend::watchClients(const std::vector<xcb_window_t>& clients)
{
    // Their state changes (hidden, fullscreen) arrive as PropertyNotify on the client itself.
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    for (xcb_window_t client : clients) {
        if (watched_.insert(client).second) {
            xcb_change_window_attributes(connection_, client, XCB_CW_EVENT_MASK, &mask);
        }
    }
    xcb_flush(connection_);
}

void X11Backend::recomputeOcclusion()
{
    if (windows_.empty()) {
        return;
    }
    const X11Stacking stacking = X11Stacking::read(connection_, screen_->root, atoms_);
    std::vector<xcb_window_t> ours;
    for (const auto& [id, window] : windows_) {
        ours.push_back(window->xid());
    }
    std::vector<xcb_window_t> clients;
    for (const auto& entry : stacking.entries) {
        if (std::find(ours.begin(), ours.end(), entry.client) == ours.end()) {
            clients.push_back(entry.client);
        }
    }
    watchClients(clients);

    std::vector<std::uint32_t> changed;
    for (auto& [id, window] : windows_) {
        const bool covered = OcclusionModel::covered(window->pixelFrame(), stacking.above(window->xid(), ours));
        if (window->setVisible(!covered)) {
            changed.push_back(id);
        }
    }
    // A handler may destroy windows: look each one up again.
    for (std::uint32_t id : changed) {
        auto it = windows_.find(id);
        if (it != windows_.end() && occlusionChanged_) {
            occlusionChanged_(*it->second);
        }
    }
}

}  // namespace lumen::app
