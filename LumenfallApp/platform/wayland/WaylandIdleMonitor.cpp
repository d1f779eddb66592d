#include "platform/wayland/WaylandIdleMonitor.hpp"

#include "platform/wayland/MonotonicClock.hpp"
#include "platform/wayland/WaylandProtocols.hpp"

#include <algorithm>

namespace lumen::app {

namespace {

WaylandIdleMonitor& monitorOf(void* data) { return *static_cast<WaylandIdleMonitor*>(data); }

const ext_idle_notification_v1_listener notificationListener{
    .idled = [](void* data, ext_idle_notification_v1*) { monitorOf(data).idled(monotonicSeconds()); },
    .resumed = [](void* data, ext_idle_notification_v1*) { monitorOf(data).resumed(monotonicSeconds()); },
};

const org_kde_kwin_idle_timeout_listener timeoutListener{
    .idle = [](void* data, org_kde_kwin_idle_timeout*) { monitorOf(data).idled(monotonicSeconds()); },
    .resumed = [](void* data, org_kde_kwin_idle_timeout*) { monitorOf(data).resumed(monotonicSeconds()); },
};

constexpr std::uint32_t thresholdMs = static_cast<std::uint32_t>(WaylandIdleMonitor::threshold * 1000);

}  // namespace

WaylandIdleMonitor::WaylandIdleMonitor(ext_idle_notifier_v1* notifier, org_kde_kwin_idle* kde, wl_seat* seat)
    : since_(monotonicSeconds())
{
    if (seat == nullptr) return;
    if (notifier != nullptr) {
        notification_ = ext_idle_notifier_v1_get_idle_notification(notifier, thresholdMs, seat);
        ext_idle_notification_v1_add_listener(notification_, &notificationListener, this);
    } else if (kde != nullptr) {
        timeout_ = org_kde_kwin_idle_get_idle_timeout(kde, seat, thresholdMs);
        org_kde_kwin_idle_timeout_add_listener(timeout_, &timeoutListener, this);
    }
}

WaylandIdleMonitor::~WaylandIdleMonitor()
{
    if (notification_ != nullptr) ext_idle_notification_v1_destroy(notification_);
    if (timeout_ != nullptr) org_kde_kwin_idle_timeout_release(timeout_);
}

void WaylandIdleMonitor::idled(double at)
{
    idle_ = true;
    // The input ended `threshold` seconds before the compositor said so.
    since_ = at - threshold;
}

void WaylandIdleMonitor::resumed(double at)
{
    idle_ = false;
    since_ = at;
}

std::optional<double> WaylandIdleMonitor::idleSeconds(double at) const
{
    if (!active()) return std::nullopt;
    return estimate(idle_, since_, at);
}

double WaylandIdleMonitor::estimate(bool idle, double since, double at)
{
    const double seconds = std::max(0.0, at - since);
    return idle ? seconds : std::min(seconds, threshold);
}

}  // namespace lumen::app
