#pragma once

#include <optional>

struct ext_idle_notification_v1;
struct ext_idle_notifier_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;
struct wl_seat;

namespace lumen::app {

// Seconds since the last input, from the compositor's idle notifications: it says when the seat
// has been idle for `threshold` seconds and when input resumes, so the idle time is known to the
// second only past the threshold (below it, the time since input resumed, capped at the threshold).
class WaylandIdleMonitor {
public:
    static constexpr double threshold = 5.0;

    // ext_idle_notifier_v1 where offered, else org_kde_kwin_idle; neither: no monitor.
    WaylandIdleMonitor(ext_idle_notifier_v1* notifier, org_kde_kwin_idle* kde, wl_seat* seat);
    ~WaylandIdleMonitor();
    WaylandIdleMonitor(const WaylandIdleMonitor&) = delete;
    WaylandIdleMonitor& operator=(const WaylandIdleMonitor&) = delete;

    bool active() const { return notification_ != nullptr || timeout_ != nullptr; }
    std::optional<double> idleSeconds(double now) const;

    // For the listeners: the compositor's two events, at a time on the same clock.
    void idled(double now);
    void resumed(double now);
    // The rule: idle says whether the last event was `idled`, since when input last ended
    // (idled) or resumed.
    static double estimate(bool idle, double since, double now);

private:
    ext_idle_notification_v1* notification_ = nullptr;
    org_kde_kwin_idle_timeout* timeout_ = nullptr;
    bool idle_ = false;
    double since_ = 0;
};

}  // namespace lumen::app
