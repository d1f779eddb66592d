#pragma once

#include "platform/DesktopBackend.hpp"
#include "platform/x11/X11Atoms.hpp"
#include "platform/x11/X11WallpaperWindow.hpp"

#include <xcb/xcb.h>

#include <map>
#include <memory>
#include <set>
#include <string>

class QSocketNotifier;
typedef struct _XDisplay Display;

namespace lumen::app {

// The X11 desktop: RandR 1.5 monitors, one desktop-type window per monitor, occlusion computed
// from the window manager's stacking list, the pointer and MIT-SCREEN-SAVER idle time. The
// connection is read through a QSocketNotifier on the thread's event loop.
class X11Backend final : public DesktopBackend {
public:
    // Connects to the display (null: $DISPLAY). Null with the reason in `error` when the display
    // cannot be opened or lacks RandR 1.5.
    static std::unique_ptr<X11Backend> open(const char* displayName = nullptr, std::string* error = nullptr);
    ~X11Backend() override;
    X11Backend(const X11Backend&) = delete;
    X11Backend& operator=(const X11Backend&) = delete;

    unsigned eglPlatform() const override;
    void* nativeDisplay() const override { return display_; }

    std::vector<Screen> screens() const override { return screens_; }
    void setScreensChangedHandler(std::function<void()> handler) override { screensChanged_ = std::move(handler); }

    DesktopWindow* createWindow(const Screen& screen, gpu::Device* device) override;
    void destroyWindow(std::uint32_t displayID) override;
    DesktopWindow* window(std::uint32_t displayID) const override;
    void setOcclusionChangedHandler(std::function<void(DesktopWindow&)> handler) override
    {
        occlusionChanged_ = std::move(handler);
    }

    std::optional<PixelPoint> pointerPosition() override;
    std::optional<double> idleSeconds() override;

    xcb_connection_t* connection() const { return connection_; }
    xcb_window_t root() const { return screen_->root; }
    // The X window of a wallpaper window; XCB_NONE when there is none.
    xcb_window_t windowId(std::uint32_t displayID) const;
    // Reads and handles every pending event now (normally the socket notifier does).
    void processEvents();

private:
    X11Backend() = default;
    void handle(const xcb_generic_event_t* event);
    void refreshScreens();
    void recomputeOcclusion();
    void watchClients(const std::vector<xcb_window_t>& clients);
    // Reply calls read events into xcb's queue without waking the socket notifier.
    void scheduleDrain();
    double readScale();

    Display* display_ = nullptr;
    xcb_connection_t* connection_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    X11Atoms atoms_;
    std::uint8_t randrEventBase_ = 0;
    bool screenSaver_ = false;
    bool shape_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool drainScheduled_ = false;
    bool screensDirty_ = false;
    bool occlusionDirty_ = false;
    bool handling_ = false;

    std::vector<Screen> screens_;
    std::map<std::uint32_t, std::unique_ptr<X11WallpaperWindow>> windows_;
    std::set<xcb_window_t> watched_;
    std::function<void()> screensChanged_;
    std::function<void(DesktopWindow&)> occlusionChanged_;
};

}  // namespace lumen::app
