#include "platform/wayland/BusIdleTime.hpp"

#include "log/EventLog.hpp"
#include "platform/wayland/MonotonicClock.hpp"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <algorithm>
#include <utility>

namespace lumen::app {

namespace {

// A hung service must not hold the next question back for long.
constexpr int callTimeoutMs = 5000;

QDBusMessage question(BusIdleTime::Source source)
{
    if (source == BusIdleTime::Source::mutter) {
        return QDBusMessage::createMethodCall(QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                                              QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
                                              QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                                              QStringLiteral("GetIdletime"));
    }
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                          QStringLiteral("/org/freedesktop/ScreenSaver"),
                                          QStringLiteral("org.freedesktop.ScreenSaver"),
                                          QStringLiteral("GetSessionIdleTime"));
}

const char* sourceName(BusIdleTime::Source source)
{
    return source == BusIdleTime::Source::mutter ? "org.gnome.Mutter.IdleMonitor" : "org.freedesktop.ScreenSaver";
}

}  // namespace

BusIdleTime::BusIdleTime(QDBusConnection bus) : bus_(std::move(bus)) {}

BusIdleTime::~BusIdleTime() = default;

std::optional<double> BusIdleTime::idleSeconds(double now)
{
    const bool stale = !answer_ || now - answeredAt_ >= refreshAfter;
    if (!pending_ && stale && now >= retryAt_) ask(source_);
    if (!answer_) return std::nullopt;
    return *answer_ + std::max(0.0, now - answeredAt_);
}

void BusIdleTime::ask(Source source)
{
    if (!bus_.isConnected()) {
        answer_.reset();
        retryAt_ = monotonicSeconds() + retryAfter;
        return;
    }
    pending_ = std::make_unique<QDBusPendingCallWatcher>(bus_.asyncCall(question(source), callTimeoutMs));
    QDBusPendingCallWatcher* call = pending_.get();
    QObject::connect(call, &QDBusPendingCallWatcher::finished, call,
                     [this, source](QDBusPendingCallWatcher* done) { answered(*done, source); });
}

void BusIdleTime::answered(QDBusPendingCallWatcher& call, Source source)
{
    // Deleting the watcher inside its own signal is not allowed.
    pending_.release()->deleteLater();
    const QDBusMessage reply = call.reply();
    bool number = false;
    const qulonglong milliseconds =
        reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1
            ? reply.arguments().front().toULongLong(&number)
            : 0;
    if (number) {
        if (!answer_ || source_ != source) logEvent(std::string("idle time: from ") + sourceName(source));
        source_ = source;
        answer_ = static_cast<double>(milliseconds) / 1000.0;
        answeredAt_ = monotonicSeconds();
        return;
    }
    if (source == Source::mutter) {
        ask(Source::screenSaver);
        return;
    }
    if (answer_ || retryAt_ == 0) {
        logEvent("idle time: unknown (" + call.error().message().toStdString() +
                 "); the compositor sends no idle notifications and no session service answers");
    }
    answer_.reset();
    source_ = Source::mutter;
    retryAt_ = monotonicSeconds() + retryAfter;
}

}  // namespace lumen::app
