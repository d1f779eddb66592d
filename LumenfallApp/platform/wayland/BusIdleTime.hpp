#pragma once

#include <QDBusConnection>

#include <memory>
#include <optional>

class QDBusPendingCallWatcher;

namespace lumen::app {

// Seconds since the last input from the desktop's session services, for compositors that send
// no idle notifications: GNOME's org.gnome.Mutter.IdleMonitor, else org.freedesktop.ScreenSaver's
// GetSessionIdleTime (KDE answers in milliseconds, as Mutter does). Never waits on the bus: each
// question goes out asynchronously and the last answer is grown by the time since it came.
class BusIdleTime {
public:
    enum class Source { mutter, screenSaver };
    // An answer older than this is asked again; a bus without either service, after retryAfter.
    static constexpr double refreshAfter = 1.0;
    static constexpr double retryAfter = 30.0;

    explicit BusIdleTime(QDBusConnection bus);
    ~BusIdleTime();
    BusIdleTime(const BusIdleTime&) = delete;
    BusIdleTime& operator=(const BusIdleTime&) = delete;

    // None until a service has answered (or after neither could); asks again without waiting.
    std::optional<double> idleSeconds(double now);
    // Who gave the last answer; none when neither did.
    std::optional<Source> source() const { return answer_ ? std::optional(source_) : std::nullopt; }
    bool asking() const { return pending_ != nullptr; }

private:
    void ask(Source source);
    void answered(QDBusPendingCallWatcher& call, Source source);

    QDBusConnection bus_;
    std::unique_ptr<QDBusPendingCallWatcher> pending_;
    Source source_ = Source::mutter;
    std::optional<double> answer_;
    double answeredAt_ = 0;
    double retryAt_ = 0;
};

}  // namespace lumen::app
