#pragma once

#include "desktop/IdleWindow.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

namespace lumen::gpu {
class Device;
}

namespace lumen::app {

class DesktopBackend;
class FrameDriver;
enum class IdleInput;

// The live scene full screen on every display once the computer has been idle for `minutes`,
// gone again at the first key press, click, scroll or pointer motion. Not a screen saver and not
// a lock: it stays away while the application model disallows it (paused, locked, displays
// asleep, ...) and while an application keeps the displays awake. A timer checks the idle time,
// every 5 s while waiting and every 0.25 s while showing. Main thread only.
class IdleScene {
public:
    static constexpr double waitingInterval = 5.0;
    static constexpr double showingInterval = 0.25;
    // Input this soon after the windows appeared may be what opened them, and is not counted.
    static constexpr double inputGrace = 0.3;

    // `device` is the shared GPU device made on the backend's display (null: windows without
    // surfaces). No timer runs until the first schedule().
    IdleScene(DesktopBackend& backend, FrameDriver& driver, gpu::Device* device);
    // Stops the timer and takes the windows down without reporting anything.
    ~IdleScene();
    IdleScene(const IdleScene&) = delete;
    IdleScene& operator=(const IdleScene&) = delete;

    // Restarts the check timer with this period in seconds; no timer while disabled and not showing.
    void schedule(double interval);
    // One idle test: shows when idle long enough and allowed, dismisses after newer input.
    void check();
    // One window per screen, drawing at 30 fps; nothing when already showing.
    void show();
    // Takes the windows down and gives the focus back; nothing when not showing.
    void dismiss();

    bool showing() const { return !windows_.empty(); }
    const std::vector<std::unique_ptr<IdleWindow>>& windows() const { return windows_; }
    double shownAt() const { return shownAt_; }
    // The window that was active when showing began; none once given back.
    const std::optional<std::uint64_t>& previousWindow() const { return previousWindow_; }
    // The check timer's period in seconds; none while no timer runs.
    std::optional<double> checkInterval() const;

    // From the settings.
    bool enabled = false;
    int minutes = 10;
    // Whether showing is allowed now; unset means always.
    std::function<bool()> allowed;
    // Whether some application keeps the displays awake; unset means never.
    std::function<bool()> displaySleepPrevented;
    // Called with true after showing and false after dismissing.
    std::function<void(bool)> onShowingChanged;
    // Seconds on the frame loop's clock; defaults to DisplayLink::now.
    std::function<double()> mediaTime;

private:
    void input(IdleInput kind);
    void takeDown(bool report);

    DesktopBackend& backend_;
    FrameDriver& driver_;
    gpu::Device* device_;
    std::unique_ptr<QTimer> timer_;
    std::vector<std::unique_ptr<IdleWindow>> windows_;
    double shownAt_ = 0;
    std::optional<std::uint64_t> previousWindow_;
    // The windows' input callbacks outlive neither the scene nor this token.
    std::shared_ptr<IdleScene*> self_;
};

}  // namespace lumen::app
