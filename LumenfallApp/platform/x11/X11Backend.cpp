#include "platform/x11/X11Backend.hpp"

#include "log/EventLog.hpp"
#include "platform/x11/X11Monitors.hpp"
#include "platform/x11/X11Stacking.hpp"
#include "platform/x11/XResources.hpp"

#include <QSocketNotifier>
#include <QTimer>

#include <xcb/dpms.h>
#include <xcb/randr.h>
#include <xcb/screensaver.h>
#include <xcb/shape.h>

// Xlib last: its macros (None, Bool, Status) clash with everything above.
#include <X11/Xlib-xcb.h>
#include <epoxy/egl.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

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

xcb_atom_t internAtom(xcb_connection_t* c, const char* name)
{
    auto reply = own(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : XCB_NONE;
}

// A cursor whose one pixel is masked out.
xcb_cursor_t makeInvisibleCursor(xcb_connection_t* c, xcb_window_t root)
{
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, 1, pixmap, root, 1, 1);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    const std::uint32_t zero = 0;
    xcb_create_gc(c, gc, pixmap, XCB_GC_FOREGROUND, &zero);
    const xcb_rectangle_t pixel{0, 0, 1, 1};
    xcb_poly_fill_rectangle(c, pixmap, gc, 1, &pixel);
    const xcb_cursor_t cursor = xcb_generate_id(c);
    xcb_create_cursor(c, cursor, pixmap, pixmap, 0, 0, 0, 0, 0, 0, 0, 0);
    xcb_free_gc(c, gc);
    xcb_free_pixmap(c, pixmap);
    return cursor;
}

constexpr std::uint16_t idlePointerEvents = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_POINTER_MOTION;
constexpr int grabRetryMilliseconds = 100;

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
    const xcb_query_extension_reply_t* dpms = xcb_get_extension_data(c, &xcb_dpms_id);
    backend->dpms_ = dpms != nullptr && dpms->present;

    backend->atoms_ = X11Atoms::intern(c);
    backend->activeWindowAtom_ = internAtom(c, "_NET_ACTIVE_WINDOW");
    backend->supportingWmCheck_ = internAtom(c, "_NET_SUPPORTING_WM_CHECK");
    backend->wmPid_ = internAtom(c, "_NET_WM_PID");
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
    idleWindows_.clear();
    windows_.clear();
    if (invisibleCursor_ != XCB_NONE) {
        xcb_free_cursor(connection_, invisibleCursor_);
    }
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
        if (raiseDirty_) {
            raiseDirty_ = false;
            raiseIdleWindows();
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
            if (e->atom == atoms_.clientListStacking || e->atom == atoms_.currentDesktop ||
                e->atom == atoms_.workArea) {
                occlusionDirty_ = true;
            } else if (e->atom == XCB_ATOM_RESOURCE_MANAGER) {
                screensDirty_ = true;
            }
        } else if (e->atom == atoms_.wmState || e->atom == atoms_.icccmWmState || e->atom == atoms_.wmDesktop) {
            occlusionDirty_ = true;
        }
        break;
    }
    case XCB_MAP_NOTIFY:
    case XCB_UNMAP_NOTIFY: {
        const xcb_window_t w = type == XCB_MAP_NOTIFY ? reinterpret_cast<const xcb_map_notify_event_t*>(event)->window
                                                      : reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->window;
        bool idle = false;
        for (auto& [id, window] : windows_) {
            if (window->xid() == w) {
                window->setMapped(type == XCB_MAP_NOTIFY);
            }
        }
        for (auto& window : idleWindows_) {
            if (window->xid() == w) {
                idle = true;
                window->setMapped(type == XCB_MAP_NOTIFY);
            }
        }
        // A window that comes up while the idle scene shows goes below it.
        raiseDirty_ |= type == XCB_MAP_NOTIFY && !idle && !idleWindows_.empty();
        occlusionDirty_ = true;
        break;
    }
    case XCB_KEY_PRESS:
        idleInput(reinterpret_cast<const xcb_key_press_event_t*>(event)->event, IdleInput::key);
        break;
    case XCB_BUTTON_PRESS:
        idleInput(reinterpret_cast<const xcb_button_press_event_t*>(event)->event, IdleInput::button);
        break;
    case XCB_MOTION_NOTIFY:
        idleInput(reinterpret_cast<const xcb_motion_notify_event_t*>(event)->event, IdleInput::motion);
        break;
    case XCB_DESTROY_NOTIFY:
        watched_.erase(reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window);
        occlusionDirty_ = true;
        break;
    case XCB_CONFIGURE_NOTIFY: {
        const auto* e = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        if (e->window == screen_->root) {
            screensDirty_ = true;
        } else if (e->event == screen_->root && !idleWindows_.empty() &&
                   std::none_of(idleWindows_.begin(), idleWindows_.end(),
                                [&](const auto& w) { return w->xid() == e->window; })) {
            raiseDirty_ = true;  // another top-level window was restacked, maybe above ours
        }
        occlusionDirty_ = true;
        break;
    }
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

    // Idle windows are override-redirect, so in no stacking list; they lie above everything.
    std::vector<StackedWindow> idle;
    for (const auto& window : idleWindows_) {
        idle.push_back({.frame = window->pixelFrame(), .mapped = window->onScreen()});
    }

    std::vector<std::uint32_t> changed;
    for (auto& [id, window] : windows_) {
        std::vector<StackedWindow> above = stacking.above(window->xid(), ours);
        above.insert(above.end(), idle.begin(), idle.end());
        const bool covered = OcclusionModel::covered(window->pixelFrame(), above, stacking.desktop);
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

DesktopWindow* X11Backend::createIdleWindow(const Screen& screen, gpu::Device* device,
                                            std::function<void(IdleInput)> onInput)
{
    if (invisibleCursor_ == XCB_NONE) {
        invisibleCursor_ = makeInvisibleCursor(connection_, screen_->root);
    }
    const bool first = idleWindows_.empty();
    if (first) {
        cursorHidden_ = true;
    }
    auto window =
        std::make_unique<X11IdleWindow>(connection_, *screen_, atoms_, screen, cursorHidden_ ? invisibleCursor_ : XCB_NONE,
                                        device, std::move(onInput), [this] { scheduleDrain(); });
    if (!window->valid()) {
        return nullptr;
    }
    DesktopWindow* raw = window.get();
    idleWindows_.push_back(std::move(window));
    if (first) {
        grabInput();
    }
    occlusionDirty_ = true;
    scheduleDrain();
    return raw;
}

void X11Backend::destroyIdleWindow(DesktopWindow& window)
{
    auto it = std::find_if(idleWindows_.begin(), idleWindows_.end(),
                           [&](const auto& w) { return w.get() == &window; });
    if (it == idleWindows_.end()) {
        return;
    }
    const bool grabWindow = it == idleWindows_.begin();
    idleWindows_.erase(it);
    if (idleWindows_.empty()) {
        releaseInput();
    } else if (grabWindow) {
        // The server dropped the grab with its window: the next one takes it over.
        grabbed_ = false;
        grabInput();
    }
    occlusionDirty_ = true;
    scheduleDrain();
}

std::vector<xcb_window_t> X11Backend::idleWindowIds() const
{
    std::vector<xcb_window_t> ids;
    for (const auto& window : idleWindows_) {
        ids.push_back(window->xid());
    }
    return ids;
}

void X11Backend::grabInput()
{
    if (grabbed_ || idleWindows_.empty()) {
        return;
    }
    const xcb_window_t window = idleWindows_.front()->xid();
    // Focus too, so that keys reach us should another client's grab outlast our tries.
    xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    const auto keyboardCookie = xcb_grab_keyboard(connection_, 0, window, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                                                  XCB_GRAB_MODE_ASYNC);
    const auto pointerCookie =
        xcb_grab_pointer(connection_, 0, window, idlePointerEvents, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC,
                         XCB_NONE, cursorHidden_ ? invisibleCursor_ : XCB_NONE, XCB_CURRENT_TIME);
    auto keyboard = own(xcb_grab_keyboard_reply(connection_, keyboardCookie, nullptr));
    auto pointer = own(xcb_grab_pointer_reply(connection_, pointerCookie, nullptr));
    scheduleDrain();
    const bool keyboardGrabbed = keyboard && keyboard->status == XCB_GRAB_STATUS_SUCCESS;
    const bool pointerGrabbed = pointer && pointer->status == XCB_GRAB_STATUS_SUCCESS;
    grabbed_ = keyboardGrabbed && pointerGrabbed;
    if (grabbed_) {
        return;
    }
    // Someone else holds a grab (an open menu, a drag): keep what we got and try again shortly.
    if (keyboardGrabbed) {
        xcb_ungrab_keyboard(connection_, XCB_CURRENT_TIME);
    }
    if (pointerGrabbed) {
        xcb_ungrab_pointer(connection_, XCB_CURRENT_TIME);
    }
    xcb_flush(connection_);
    if (!grabRetryScheduled_ && notifier_) {
        grabRetryScheduled_ = true;
        QTimer::singleShot(grabRetryMilliseconds, notifier_.get(), [this] {
            grabRetryScheduled_ = false;
            grabInput();
        });
    }
}

void X11Backend::releaseInput()
{
    if (grabbed_) {
        xcb_ungrab_keyboard(connection_, XCB_CURRENT_TIME);
        xcb_ungrab_pointer(connection_, XCB_CURRENT_TIME);
        xcb_flush(connection_);
    }
    grabbed_ = false;
    cursorHidden_ = false;
}

void X11Backend::showCursor()
{
    if (!cursorHidden_) {
        return;
    }
    cursorHidden_ = false;
    for (auto& window : idleWindows_) {
        window->setCursor(XCB_NONE);
    }
    if (grabbed_) {
        xcb_change_active_pointer_grab(connection_, XCB_NONE, XCB_CURRENT_TIME, idlePointerEvents);
    }
    xcb_flush(connection_);
}

void X11Backend::raiseIdleWindows()
{
    for (auto& window : idleWindows_) {
        window->raise();
    }
    xcb_flush(connection_);
}

void X11Backend::idleInput(xcb_window_t xid, IdleInput input)
{
    auto it = std::find_if(idleWindows_.begin(), idleWindows_.end(), [&](const auto& w) { return w->xid() == xid; });
    if (it == idleWindows_.end()) {
        return;
    }
    if (input == IdleInput::motion) {
        showCursor();
    }
    // A copy: the handler may destroy the window, and with it the original.
    const std::function<void(IdleInput)> handler = (*it)->onInput();
    if (handler) {
        handler(input);
    }
}

xcb_window_t X11Backend::windowProperty(xcb_window_t window, xcb_atom_t property)
{
    if (property == XCB_NONE) {
        return XCB_NONE;
    }
    auto reply = own(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, property, XCB_ATOM_WINDOW, 0, 1), nullptr));
    if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) < 4) {
        return XCB_NONE;
    }
    return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
}

bool X11Backend::ours(xcb_window_t window)
{
    for (const auto& [id, wallpaper] : windows_) {
        if (wallpaper->xid() == window) {
            return true;
        }
    }
    for (const auto& idle : idleWindows_) {
        if (idle->xid() == window) {
            return true;
        }
    }
    // Windows of this process made on other connections (Qt's settings window).
    auto reply = own(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, wmPid_, XCB_ATOM_CARDINAL, 0, 1), nullptr));
    return reply && reply->type == XCB_ATOM_CARDINAL && reply->format == 32 &&
           xcb_get_property_value_length(reply.get()) >= 4 &&
           *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get())) ==
               static_cast<std::uint32_t>(getpid());
}

std::optional<std::uint64_t> X11Backend::activeWindow()
{
    // An EWMH window manager names a child window that names itself; a stale property of one
    // that has gone does not count.
    const xcb_window_t check = windowProperty(screen_->root, supportingWmCheck_);
    const bool windowManager = check != XCB_NONE && windowProperty(check, supportingWmCheck_) == check;
    const xcb_window_t active = windowManager ? windowProperty(screen_->root, activeWindowAtom_) : XCB_NONE;
    const bool foreign = active != XCB_NONE && !ours(active);
    scheduleDrain();
    if (!foreign) {
        return std::nullopt;
    }
    return active;
}

void X11Backend::activateWindow(std::uint64_t window)
{
    if (activeWindowAtom_ == XCB_NONE) {
        return;
    }
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(window);
    event.type = activeWindowAtom_;
    // Source indication 2 (a pager): the user asked for it, so focus-stealing prevention lets it through.
    event.data.data32[0] = 2;
    event.data.data32[1] = XCB_CURRENT_TIME;
    event.data.data32[2] = XCB_NONE;
    xcb_send_event(connection_, 0, screen_->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection_);
}

std::optional<bool> X11Backend::displaysAsleep()
{
    if (!dpms_) {
        return std::nullopt;
    }
    auto info = own(xcb_dpms_info_reply(connection_, xcb_dpms_info(connection_), nullptr));
    scheduleDrain();
    if (!info) {
        return std::nullopt;
    }
    // With DPMS off the server never powers the displays down.
    return info->state != 0 && info->power_level != XCB_DPMS_DPMS_MODE_ON;
}

}  // namespace lumen::app
