#pragma once

#include "platform/DesktopBackend.hpp"
#include "platform/x11/X11Atoms.hpp"
#include "platform/x11/X11IdleWindow.hpp"
#include "platform/x11/X11WallpaperWindow.hpp"

#include <xcb/xcb.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class QSocketNotifier;
typedef struct _XDisplay Display;

namespace lumen::app {

// The X11 desktop: RandR 1.5 monitors, one desktop-type window per monitor, occlusion computed
// from the window manager's stacking list, the idle scene's override-redirect windows with the
// keyboard and pointer grabbed for them, the active window (EWMH), the pointer, MIT-SCREEN-SAVER
// idle time and DPMS. The connection is read through a QSocketNotifier on the thread's event loop.
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
    unsigned nativeVisual() const override { return screen_->root_visual; }

    const std::vector<Screen>& screens() const override { return screens_; }
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

    DesktopWindow* createIdleWindow(const Screen& screen, gpu::Device* device,
                                    std::function<void(IdleInput)> onInput) override;
    void destroyIdleWindow(DesktopWindow& window) override;
    std::optional<std::uint64_t> activeWindow() override;
    void activateWindow(std::uint64_t window) override;
    std::optional<bool> displaysAsleep() override;

    xcb_connection_t* connection() const { return connection_; }
    xcb_window_t root() const { return screen_->root; }
    // The X window of a wallpaper window; XCB_NONE when there is none.
    xcb_window_t windowId(std::uint32_t displayID) const;
    // The X windows of the idle windows, in the order they were made.
    std::vector<xcb_window_t> idleWindowIds() const;
    // Whether the keyboard and the pointer are grabbed for the idle windows.
    bool inputGrabbed() const { return grabbed_; }
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
    // Idle windows: the grab (retried while another client holds one), the cursor, the stacking.
    void grabInput();
    void releaseInput();
    void showCursor();
    void raiseIdleWindows();
    void idleInput(xcb_window_t window, IdleInput input);
    bool ours(xcb_window_t window);
    xcb_window_t windowProperty(xcb_window_t window, xcb_atom_t property);

    Display* display_ = nullptr;
    xcb_connection_t* connection_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    X11Atoms atoms_;
    std::uint8_t randrEventBase_ = 0;
    bool screenSaver_ = false;
    bool shape_ = false;
    bool dpms_ = false;
    // Beyond X11Atoms: the EWMH active window and the window manager check.
    xcb_atom_t activeWindowAtom_ = XCB_NONE;
    xcb_atom_t supportingWmCheck_ = XCB_NONE;
    xcb_atom_t wmPid_ = XCB_NONE;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool drainScheduled_ = false;
    bool screensDirty_ = false;
    bool occlusionDirty_ = false;
    bool handling_ = false;
    bool raiseDirty_ = false;

    std::vector<Screen> screens_;
    std::map<std::uint32_t, std::unique_ptr<X11WallpaperWindow>> windows_;
    std::vector<std::unique_ptr<X11IdleWindow>> idleWindows_;
    xcb_cursor_t invisibleCursor_ = XCB_NONE;
    bool cursorHidden_ = false;
    bool grabbed_ = false;
    bool grabRetryScheduled_ = false;
    std::set<xcb_window_t> watched_;
    std::function<void()> screensChanged_;
    std::function<void(DesktopWindow&)> occlusionChanged_;
};

}  // namespace lumen::app
