#pragma once

#include "platform/DesktopBackend.hpp"
#include "platform/wayland/BusIdleTime.hpp"
#include "platform/wayland/WaylandIdleMonitor.hpp"
#include "platform/wayland/WaylandLayerWindow.hpp"
#include "platform/wayland/WaylandOutput.hpp"
#include "platform/wayland/WaylandToplevels.hpp"

#include <map>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;
struct ext_idle_notifier_v1;
struct org_kde_kwin_idle;
struct wl_compositor;
struct wl_display;
struct wl_keyboard;
struct wl_pointer;
struct wl_registry;
struct wl_seat;
struct wl_surface;
struct zwlr_layer_shell_v1;
struct zwlr_output_power_manager_v1;
struct zwlr_output_power_v1;
struct zxdg_output_manager_v1;

namespace lumen::app {

// The Wayland desktop through the compositor's layer shell, on a connection of our own (whatever
// platform Qt itself runs on): screens from wl_output and xdg_output, one background layer
// surface per output, occlusion from the foreign-toplevel list and frame callbacks, the idle
// scene on the overlay layer, the pointer over our surfaces, idle time from the idle
// notifications and display power from the output power manager. Read through a
// QSocketNotifier on the thread's event loop.
class WaylandBackend final : public DesktopBackend {
public:
    // Connects (null: $WAYLAND_DISPLAY). Null with the reason in `error` when no compositor
    // answers or it offers no layer shell.
    static std::unique_ptr<WaylandBackend> open(const char* displayName = nullptr, std::string* error = nullptr);
    // The reason open() would fail, found on a short connection of its own; none when it would not.
    static std::optional<std::string> problem(const char* displayName = nullptr);
    ~WaylandBackend() override;
    WaylandBackend(const WaylandBackend&) = delete;
    WaylandBackend& operator=(const WaylandBackend&) = delete;

    unsigned eglPlatform() const override;
    void* nativeDisplay() const override { return display_; }

    const std::vector<Screen>& screens() const override { return screens_; }
    void setScreensChangedHandler(std::function<void()> handler) override { screensChanged_ = std::move(handler); }

    DesktopWindow* createWindow(const Screen& screen, gpu::Device* device) override;
    void destroyWindow(std::uint32_t displayID) override;
    DesktopWindow* window(std::uint32_t displayID) const override;
    void setOcclusionChangedHandler(std::function<void(DesktopWindow&)> handler) override
    {
        occlusionChanged_ = std::move(handler);
    }

    std::optional<PixelPoint> pointerPosition() override { return pointer_; }
    std::optional<double> idleSeconds() override;

    DesktopWindow* createIdleWindow(const Screen& screen, gpu::Device* device,
                                    std::function<void(IdleInput)> onInput) override;
    void destroyIdleWindow(DesktopWindow& window) override;
    // The focused window from the foreign-toplevel list, and focus handed back through its
    // activate request. xdg_activation_v1 cannot serve here: its token only lets the client that
    // presents it raise its own surface, and there is no way to hand one to another application.
    // Without the toplevel list both do nothing; the compositor then returns the focus itself
    // when the idle windows go.
    std::optional<std::uint64_t> activeWindow() override;
    void activateWindow(std::uint64_t id) override;
    std::optional<bool> displaysAsleep() override;

    // Runs once when the compositor closes the connection or it fails; the backend is useless then.
    void setConnectionLostHandler(std::function<void(const std::string&)> handler)
    {
        connectionLost_ = std::move(handler);
    }
    // Which of the optional interfaces the compositor offers, for the log and tests.
    bool hasToplevelList() const { return toplevels_ != nullptr; }
    bool hasIdleNotifications() const { return idle_ && idle_->active(); }
    // Where it sends none, the session services' idle time (see BusIdleTime).
    const BusIdleTime* busIdleTime() const { return busIdle_.get(); }
    // The idle windows, in the order they were made.
    std::vector<WaylandLayerWindow*> idleWindows() const;
    // Reads and handles every pending event now (normally the socket notifier does).
    void processEvents();

    // For the listeners.
    void global(wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version);
    void globalRemove(std::uint32_t name);
    void seatCapabilities(std::uint32_t capabilities);
    void pointerAt(wl_surface* surface, double x, double y);
    void pointerLeft(wl_surface* surface);
    void pointerButton();
    void keyPressed();
    void powerMode(zwlr_output_power_v1* power, bool on);

private:
    WaylandBackend() = default;
    void refreshScreens();
    void recomputeOcclusion();
    void afterDispatch();
    void scheduleDrain();
    void loseConnection(const std::string& why);
    WaylandOutput* outputFor(std::uint32_t id) const;
    WaylandLayerWindow* windowFor(wl_surface* surface) const;
    void idleInput(wl_surface* surface, IdleInput input);
    void watchPower(WaylandOutput& output);

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    zwlr_layer_shell_v1* layerShell_ = nullptr;
    zxdg_output_manager_v1* xdgOutputs_ = nullptr;
    wl_seat* seat_ = nullptr;
    std::uint32_t seatName_ = 0;
    wl_pointer* pointerDevice_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    ext_idle_notifier_v1* idleNotifier_ = nullptr;
    org_kde_kwin_idle* kdeIdle_ = nullptr;
    zwlr_output_power_manager_v1* powerManager_ = nullptr;
    std::map<zwlr_output_power_v1*, bool> power_;
    std::map<std::uint32_t, zwlr_output_power_v1*> powerOf_;
    std::unique_ptr<WaylandIdleMonitor> idle_;
    std::unique_ptr<BusIdleTime> busIdle_;
    std::unique_ptr<WaylandToplevels> toplevels_;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool drainScheduled_ = false;
    bool handling_ = false;
    bool screensDirty_ = false;
    bool occlusionDirty_ = false;
    bool lost_ = false;
    std::uint64_t discovered_ = 0;

    std::map<std::uint32_t, std::unique_ptr<WaylandOutput>> outputs_;
    std::vector<Screen> screens_;
    std::map<std::uint32_t, std::unique_ptr<WaylandLayerWindow>> windows_;
    // What the occlusion handler was last told per window.
    std::map<std::uint32_t, bool> reportedVisible_;
    std::vector<std::unique_ptr<WaylandLayerWindow>> idleWindows_;
    wl_surface* pointerSurface_ = nullptr;
    std::optional<PixelPoint> pointer_;
    std::function<void()> screensChanged_;
    std::function<void(DesktopWindow&)> occlusionChanged_;
    std::function<void(const std::string&)> connectionLost_;
};

}  // namespace lumen::app
