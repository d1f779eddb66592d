#include "platform/wayland/WaylandBackend.hpp"

#include "log/EventLog.hpp"
#include "platform/wayland/MonotonicClock.hpp"
#include "platform/wayland/WaylandProtocols.hpp"

#include <QSocketNotifier>
#include <QTimer>

#include <epoxy/egl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace lumen::app {

namespace {

WaylandBackend& self(void* data) { return *static_cast<WaylandBackend*>(data); }

void fail(std::string* error, std::string text)
{
    if (error != nullptr) *error = std::move(text);
}

const wl_registry_listener registryListener{
    .global = [](void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                 std::uint32_t version) { self(data).global(registry, name, interface, version); },
    .global_remove = [](void* data, wl_registry*, std::uint32_t name) { self(data).globalRemove(name); },
};

const wl_seat_listener seatListener{
    .capabilities = [](void* data, wl_seat*, std::uint32_t capabilities) { self(data).seatCapabilities(capabilities); },
    .name = [](void*, wl_seat*, const char*) {},
};

const wl_pointer_listener pointerListener{
    .enter = [](void* data, wl_pointer*, std::uint32_t, wl_surface* surface, wl_fixed_t x,
                wl_fixed_t y) { self(data).pointerAt(surface, wl_fixed_to_double(x), wl_fixed_to_double(y)); },
    .leave = [](void* data, wl_pointer*, std::uint32_t, wl_surface* surface) { self(data).pointerLeft(surface); },
    .motion = [](void* data, wl_pointer*, std::uint32_t, wl_fixed_t x,
                 wl_fixed_t y) { self(data).pointerAt(nullptr, wl_fixed_to_double(x), wl_fixed_to_double(y)); },
    .button = [](void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t state) {
        if (state == WL_POINTER_BUTTON_STATE_PRESSED) self(data).pointerButton();
    },
    .axis = [](void* data, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) { self(data).pointerButton(); },
    .frame = [](void*, wl_pointer*) {},
    .axis_source = [](void*, wl_pointer*, std::uint32_t) {},
    .axis_stop = [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
    .axis_discrete = [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
    .axis_value120 = [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
};

const wl_keyboard_listener keyboardListener{
    .keymap = [](void*, wl_keyboard*, std::uint32_t, std::int32_t fd, std::uint32_t) { close(fd); },
    .enter = [](void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {},
    .leave = [](void*, wl_keyboard*, std::uint32_t, wl_surface*) {},
    .key = [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t state) {
        if (state == WL_KEYBOARD_KEY_STATE_PRESSED) self(data).keyPressed();
    },
    .modifiers = [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
    .repeat_info = [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
};

const zwlr_output_power_v1_listener powerListener{
    .mode = [](void* data, zwlr_output_power_v1* power, std::uint32_t mode) {
        self(data).powerMode(power, mode == ZWLR_OUTPUT_POWER_V1_MODE_ON);
    },
    // Not ours to change; the output stays as it was.
    .failed = [](void*, zwlr_output_power_v1*) {},
};

// A relative socket name needs XDG_RUNTIME_DIR; libwayland would print its own complaint.
std::optional<std::string> runtimeProblem(const char* displayName)
{
    const char* name = displayName ? displayName : std::getenv("WAYLAND_DISPLAY");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if ((name == nullptr || name[0] != '/') && (runtime == nullptr || runtime[0] == '\0')) {
        return std::string("cannot connect to the Wayland compositor: XDG_RUNTIME_DIR is not set");
    }
    return std::nullopt;
}

template <typename T>
T* bind(wl_registry* registry, std::uint32_t name, const wl_interface& interface, std::uint32_t offered,
        std::uint32_t wanted)
{
    return static_cast<T*>(wl_registry_bind(registry, name, &interface, std::min(offered, wanted)));
}

}  // namespace

std::unique_ptr<WaylandBackend> WaylandBackend::open(const char* displayName, std::string* error)
{
    if (auto missing = runtimeProblem(displayName)) {
        fail(error, *missing);
        return nullptr;
    }
    wl_display* display = wl_display_connect(displayName);
    if (display == nullptr) {
        const char* shown = displayName ? displayName : std::getenv("WAYLAND_DISPLAY");
        fail(error, std::string("cannot connect to the Wayland compositor at ") + (shown ? shown : "wayland-0") +
                        " (" + std::strerror(errno) + ")");
        return nullptr;
    }
    std::unique_ptr<WaylandBackend> backend(new WaylandBackend);
    backend->display_ = display;
    backend->registry_ = wl_display_get_registry(display);
    wl_registry_add_listener(backend->registry_, &registryListener, backend.get());
    // Globals, then what binding them sent (outputs' descriptions, the seat's capabilities).
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0) {
        fail(error, "the Wayland compositor closed the connection while listing its interfaces");
        return nullptr;
    }
    if (backend->compositor_ == nullptr || backend->layerShell_ == nullptr) {
        fail(error, "the Wayland compositor offers no layer shell (zwlr_layer_shell_v1)");
        return nullptr;
    }
    backend->idle_ = std::make_unique<WaylandIdleMonitor>(backend->idleNotifier_, backend->kdeIdle_, backend->seat_);
    if (!backend->idle_->active()) backend->busIdle_ = std::make_unique<BusIdleTime>(QDBusConnection::sessionBus());
    wl_display_roundtrip(display);
    backend->refreshScreens();
    backend->screensDirty_ = false;
    backend->notifier_ = std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Read);
    QObject::connect(backend->notifier_.get(), &QSocketNotifier::activated, [raw = backend.get()] { raw->processEvents(); });
    return backend;
}

std::optional<std::string> WaylandBackend::problem(const char* displayName)
{
    if (auto missing = runtimeProblem(displayName)) return missing;
    wl_display* display = wl_display_connect(displayName);
    if (display == nullptr) {
        const char* shown = displayName ? displayName : std::getenv("WAYLAND_DISPLAY");
        return std::string("cannot connect to the Wayland compositor at ") + (shown ? shown : "wayland-0") + " (" +
               std::strerror(errno) + ")";
    }
    bool layerShell = false;
    static const wl_registry_listener listener{
        .global = [](void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
            if (std::string_view(interface) == zwlr_layer_shell_v1_interface.name) *static_cast<bool*>(data) = true;
        },
        .global_remove = [](void*, wl_registry*, std::uint32_t) {},
    };
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &layerShell);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!answered) return std::string("the Wayland compositor closed the connection while listing its interfaces");
    if (!layerShell) return std::string("the Wayland compositor offers no layer shell (zwlr_layer_shell_v1)");
    return std::nullopt;
}

WaylandBackend::~WaylandBackend()
{
    notifier_.reset();
    idleWindows_.clear();
    windows_.clear();
    idle_.reset();
    toplevels_.reset();
    for (auto& [power, on] : power_) zwlr_output_power_v1_destroy(power);
    outputs_.clear();
    if (pointerDevice_ != nullptr) wl_pointer_destroy(pointerDevice_);
    if (keyboard_ != nullptr) wl_keyboard_destroy(keyboard_);
    if (seat_ != nullptr) wl_seat_destroy(seat_);
    if (powerManager_ != nullptr) zwlr_output_power_manager_v1_destroy(powerManager_);
    if (idleNotifier_ != nullptr) ext_idle_notifier_v1_destroy(idleNotifier_);
    if (kdeIdle_ != nullptr) org_kde_kwin_idle_destroy(kdeIdle_);
    if (xdgOutputs_ != nullptr) zxdg_output_manager_v1_destroy(xdgOutputs_);
    if (layerShell_ != nullptr) zwlr_layer_shell_v1_destroy(layerShell_);
    if (compositor_ != nullptr) wl_compositor_destroy(compositor_);
    if (registry_ != nullptr) wl_registry_destroy(registry_);
    if (display_ != nullptr) wl_display_disconnect(display_);
}

unsigned WaylandBackend::eglPlatform() const { return EGL_PLATFORM_WAYLAND_KHR; }

void WaylandBackend::global(wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version)
{
    const std::string_view kind = interface;
    if (kind == wl_compositor_interface.name) {
        compositor_ = bind<wl_compositor>(registry, name, wl_compositor_interface, version, 4);
    } else if (kind == zwlr_layer_shell_v1_interface.name) {
        layerShell_ = bind<zwlr_layer_shell_v1>(registry, name, zwlr_layer_shell_v1_interface, version, 4);
    } else if (kind == zxdg_output_manager_v1_interface.name) {
        xdgOutputs_ = bind<zxdg_output_manager_v1>(registry, name, zxdg_output_manager_v1_interface, version, 3);
        for (auto& [id, output] : outputs_) output->useXdgOutput(xdgOutputs_);
    } else if (kind == wl_output_interface.name) {
        auto* proxy = bind<wl_output>(registry, name, wl_output_interface, version, 4);
        auto output = std::make_unique<WaylandOutput>(proxy, name, discovered_++, [this] {
            screensDirty_ = true;
        });
        output->useXdgOutput(xdgOutputs_);
        watchPower(*output);
        outputs_[name] = std::move(output);
    } else if (kind == wl_seat_interface.name && seat_ == nullptr) {
        seat_ = bind<wl_seat>(registry, name, wl_seat_interface, version, 5);
        seatName_ = name;
        wl_seat_add_listener(seat_, &seatListener, this);
    } else if (kind == zwlr_foreign_toplevel_manager_v1_interface.name && !toplevels_) {
        auto* manager = bind<zwlr_foreign_toplevel_manager_v1>(registry, name, zwlr_foreign_toplevel_manager_v1_interface,
                                                               version, 3);
        toplevels_ = std::make_unique<WaylandToplevels>(manager, [this] {
            occlusionDirty_ = true;
        });
    } else if (kind == ext_idle_notifier_v1_interface.name) {
        idleNotifier_ = bind<ext_idle_notifier_v1>(registry, name, ext_idle_notifier_v1_interface, version, 1);
    } else if (kind == org_kde_kwin_idle_interface.name) {
        kdeIdle_ = bind<org_kde_kwin_idle>(registry, name, org_kde_kwin_idle_interface, version, 1);
    } else if (kind == zwlr_output_power_manager_v1_interface.name) {
        powerManager_ = bind<zwlr_output_power_manager_v1>(registry, name, zwlr_output_power_manager_v1_interface,
                                                           version, 1);
        for (auto& [id, output] : outputs_) watchPower(*output);
    }
}

void WaylandBackend::watchPower(WaylandOutput& output)
{
    if (powerManager_ == nullptr || powerOf_.contains(output.globalName())) return;
    zwlr_output_power_v1* power = zwlr_output_power_manager_v1_get_output_power(powerManager_, output.output());
    zwlr_output_power_v1_add_listener(power, &powerListener, this);
    power_[power] = true;
    powerOf_[output.globalName()] = power;
}

void WaylandBackend::powerMode(zwlr_output_power_v1* power, bool on) { power_[power] = on; }

void WaylandBackend::globalRemove(std::uint32_t name)
{
    auto it = outputs_.find(name);
    if (it == outputs_.end()) return;
    // The window on it is closed by the compositor and goes at the host's next rebuild; the toplevel
    // list must not point at the dead output meanwhile.
    if (toplevels_) toplevels_->forget(it->second->output());
    if (auto power = powerOf_.find(name); power != powerOf_.end()) {
        power_.erase(power->second);
        zwlr_output_power_v1_destroy(power->second);
        powerOf_.erase(power);
    }
    outputs_.erase(it);
    screensDirty_ = true;
}

void WaylandBackend::seatCapabilities(std::uint32_t capabilities)
{
    const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
    const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    if (pointer && pointerDevice_ == nullptr) {
        pointerDevice_ = wl_seat_get_pointer(seat_);
        wl_pointer_add_listener(pointerDevice_, &pointerListener, this);
    } else if (!pointer && pointerDevice_ != nullptr) {
        wl_pointer_destroy(pointerDevice_);
        pointerDevice_ = nullptr;
        pointerSurface_ = nullptr;
        pointer_.reset();
    }
    if (keyboard && keyboard_ == nullptr) {
        keyboard_ = wl_seat_get_keyboard(seat_);
        wl_keyboard_add_listener(keyboard_, &keyboardListener, this);
    } else if (!keyboard && keyboard_ != nullptr) {
        wl_keyboard_destroy(keyboard_);
        keyboard_ = nullptr;
    }
}

WaylandLayerWindow* WaylandBackend::windowFor(wl_surface* surface) const
{
    if (surface == nullptr) return nullptr;
    for (const auto& [id, window] : windows_) {
        if (window->waylandSurface() == surface) return window.get();
    }
    for (const auto& window : idleWindows_) {
        if (window->waylandSurface() == surface) return window.get();
    }
    return nullptr;
}

void WaylandBackend::pointerAt(wl_surface* surface, double x, double y)
{
    if (surface != nullptr) pointerSurface_ = surface;
    WaylandLayerWindow* window = windowFor(pointerSurface_);
    if (window == nullptr) {
        pointer_.reset();
        return;
    }
    // Surface coordinates are logical; the screen's frame is in pixels of its scale.
    const PixelRect frame = window->pixelFrame();
    const double scale = window->backingScale();
    pointer_ = PixelPoint{frame.x + static_cast<int>(x * scale), frame.y + static_cast<int>(y * scale)};
    if (surface == nullptr) idleInput(pointerSurface_, IdleInput::motion);
}

void WaylandBackend::pointerLeft(wl_surface* surface)
{
    if (surface != pointerSurface_) return;
    pointerSurface_ = nullptr;
    pointer_.reset();
}

void WaylandBackend::pointerButton() { idleInput(pointerSurface_, IdleInput::button); }

void WaylandBackend::keyPressed()
{
    // The keyboard goes to the idle windows while they are up, whichever has the focus.
    if (!idleWindows_.empty()) idleInput(idleWindows_.front()->waylandSurface(), IdleInput::key);
}

void WaylandBackend::idleInput(wl_surface* surface, IdleInput input)
{
    auto it = std::find_if(idleWindows_.begin(), idleWindows_.end(),
                           [&](const auto& w) { return w->waylandSurface() == surface; });
    if (it == idleWindows_.end()) return;
    // A copy: the handler may destroy the window, and with it the original.
    const std::function<void(IdleInput)> handler = (*it)->onInput;
    if (handler) handler(input);
}

WaylandOutput* WaylandBackend::outputFor(std::uint32_t id) const
{
    auto it = outputs_.find(id);
    return it == outputs_.end() ? nullptr : it->second.get();
}

DesktopWindow* WaylandBackend::createWindow(const Screen& screen, gpu::Device* device)
{
    windows_.erase(screen.id);
    WaylandOutput* output = outputFor(screen.id);
    if (output == nullptr) return nullptr;
    const std::uint32_t id = screen.id;
    reportedVisible_[id] = true;
    auto window = std::make_unique<WaylandLayerWindow>(
        WaylandLayerWindow::Globals{display_, compositor_, layerShell_}, output->output(), screen,
        WaylandLayerWindow::Role::wallpaper, device,
        // Reported from the event loop, never from inside a dispatch, where a handler that draws
        // or destroys windows would reenter the connection.
        [this] {
            occlusionDirty_ = true;
            scheduleDrain();
        },
        [this] { afterDispatch(); });
    WaylandLayerWindow* raw = window.get();
    windows_[id] = std::move(window);
    raw->finishSetup();
    if (!raw->configured()) {
        windows_.erase(id);
        return nullptr;
    }
    occlusionDirty_ = true;
    scheduleDrain();
    return raw;
}

void WaylandBackend::destroyWindow(std::uint32_t displayID)
{
    auto it = windows_.find(displayID);
    if (it == windows_.end()) return;
    reportedVisible_.erase(displayID);
    if (pointerSurface_ == it->second->waylandSurface()) {
        pointerSurface_ = nullptr;
        pointer_.reset();
    }
    windows_.erase(it);
}

DesktopWindow* WaylandBackend::window(std::uint32_t displayID) const
{
    auto it = windows_.find(displayID);
    return it == windows_.end() ? nullptr : it->second.get();
}

DesktopWindow* WaylandBackend::createIdleWindow(const Screen& screen, gpu::Device* device,
                                                std::function<void(IdleInput)> onInput)
{
    WaylandOutput* output = outputFor(screen.id);
    if (output == nullptr) return nullptr;
    auto window = std::make_unique<WaylandLayerWindow>(WaylandLayerWindow::Globals{display_, compositor_, layerShell_},
                                                       output->output(), screen, WaylandLayerWindow::Role::idle, device,
                                                       std::function<void()>{}, [this] { afterDispatch(); });
    window->onInput = std::move(onInput);
    WaylandLayerWindow* raw = window.get();
    idleWindows_.push_back(std::move(window));
    raw->finishSetup();
    if (!raw->configured()) {
        idleWindows_.pop_back();
        return nullptr;
    }
    occlusionDirty_ = true;
    scheduleDrain();
    return raw;
}

void WaylandBackend::destroyIdleWindow(DesktopWindow& window)
{
    auto it = std::find_if(idleWindows_.begin(), idleWindows_.end(), [&](const auto& w) { return w.get() == &window; });
    if (it == idleWindows_.end()) return;
    if (pointerSurface_ == (*it)->waylandSurface()) {
        pointerSurface_ = nullptr;
        pointer_.reset();
    }
    idleWindows_.erase(it);
    occlusionDirty_ = true;
    scheduleDrain();
}

std::vector<WaylandLayerWindow*> WaylandBackend::idleWindows() const
{
    std::vector<WaylandLayerWindow*> list;
    for (const auto& window : idleWindows_) list.push_back(window.get());
    return list;
}

std::optional<std::uint64_t> WaylandBackend::activeWindow()
{
    return toplevels_ ? toplevels_->active() : std::nullopt;
}

void WaylandBackend::activateWindow(std::uint64_t id)
{
    if (!toplevels_ || seat_ == nullptr || !toplevels_->activate(id, seat_)) return;
    wl_display_flush(display_);
}

std::optional<double> WaylandBackend::idleSeconds()
{
    if (busIdle_) return busIdle_->idleSeconds(monotonicSeconds());
    return idle_ ? idle_->idleSeconds(monotonicSeconds()) : std::nullopt;
}

std::optional<bool> WaylandBackend::displaysAsleep()
{
    if (power_.empty()) return std::nullopt;
    return std::none_of(power_.begin(), power_.end(), [](const auto& entry) { return entry.second; });
}

void WaylandBackend::scheduleDrain()
{
    if (drainScheduled_ || !notifier_) return;
    drainScheduled_ = true;
    QTimer::singleShot(0, notifier_.get(), [this] {
        drainScheduled_ = false;
        processEvents();
    });
}

void WaylandBackend::afterDispatch()
{
    // EGL's own round trips may have read our events into the queue without the notifier seeing them.
    if (wl_display_dispatch_pending(display_) < 0) {
        loseConnection("dispatching failed");
        return;
    }
    wl_display_flush(display_);
    if (screensDirty_ || occlusionDirty_) scheduleDrain();
}

void WaylandBackend::processEvents()
{
    if (handling_ || lost_) return;
    handling_ = true;
    for (;;) {
        while (wl_display_prepare_read(display_) != 0) {
            if (wl_display_dispatch_pending(display_) < 0) break;
        }
        wl_display_flush(display_);
        // The notifier said there is data, or a drain asked; reading does not block either way.
        if (wl_display_read_events(display_) < 0 && errno != EAGAIN) {
            loseConnection(std::strerror(errno));
            break;
        }
        if (wl_display_dispatch_pending(display_) < 0 || wl_display_get_error(display_) != 0) {
            loseConnection(std::strerror(wl_display_get_error(display_)));
            break;
        }
        if (!screensDirty_ && !occlusionDirty_) break;
        // Screens first: occlusion is per output.
        if (std::exchange(screensDirty_, false)) refreshScreens();
        if (std::exchange(occlusionDirty_, false)) recomputeOcclusion();
        wl_display_flush(display_);
        // What the handlers asked may have queued more without the socket turning readable.
        if (wl_display_dispatch_pending(display_) <= 0 && !screensDirty_ && !occlusionDirty_) break;
    }
    handling_ = false;
}

void WaylandBackend::loseConnection(const std::string& why)
{
    if (lost_) return;
    lost_ = true;
    if (notifier_) notifier_->setEnabled(false);
    const std::string text = "the Wayland compositor went away (" + why + ")";
    logEvent(text);
    if (connectionLost_) connectionLost_(text);
}

void WaylandBackend::refreshScreens()
{
    std::vector<const WaylandOutput*> ready;
    for (const auto& [id, output] : outputs_) {
        if (output->ready()) ready.push_back(output.get());
    }
    // The order the compositor announced them in; the first is the main display.
    std::sort(ready.begin(), ready.end(), [](auto* a, auto* b) { return a->discovered() < b->discovered(); });
    std::vector<Screen> screens;
    for (const WaylandOutput* output : ready) screens.push_back(output->screen(screens.empty()));
    if (screens == screens_) return;
    screens_ = std::move(screens);
    occlusionDirty_ = true;
    if (screensChanged_) screensChanged_();
}

void WaylandBackend::recomputeOcclusion()
{
    std::vector<std::uint32_t> changed;
    for (auto& [id, window] : windows_) {
        const WaylandOutput* output = outputFor(id);
        const bool covered = toplevels_ && output != nullptr && toplevels_->covers(output->output());
        window->setToplevelCovered(covered);
        window->setCoveredByIdle(std::any_of(idleWindows_.begin(), idleWindows_.end(),
                                             [&](const auto& idle) { return idle->displayID() == id; }));
        // Unsure what is seen: let the compositor's frame callbacks tell.
        window->probe();
        bool& reported = reportedVisible_[id];
        if (reported != window->visible()) {
            reported = window->visible();
            changed.push_back(id);
        }
    }
    // A handler may destroy windows: look each one up again.
    for (std::uint32_t id : changed) {
        auto it = windows_.find(id);
        if (it != windows_.end() && occlusionChanged_) occlusionChanged_(*it->second);
    }
}

}  // namespace lumen::app
