#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QDBusServiceWatcher;
class QObject;

namespace lumen::app {

// One bus as the services talk to it: the one a test gives or else the process's own, every call
// bounded by one time limit and never starting a service. Main thread only; cheap to copy, like
// the QDBusConnection it holds.
class BusConnection {
public:
    // `given` when set, else the process's system or session bus (`fallback`).
    BusConnection(const std::optional<QDBusConnection>& given, QDBusConnection::BusType fallback,
                  std::chrono::milliseconds timeout);

    // For subscribing to signals; calls go through the members below. A copy shares the connection.
    QDBusConnection connection() const { return bus_; }

    // Whether the bus is there; when not, logs "<subject>: no system bus (<why>); <consequence>"
    // (or "session bus").
    bool connectedOrLog(std::string_view subject, std::string_view consequence) const;

    // Blocks for at most the time limit, or `limit` when given. An invalid message when the bus
    // is not connected.
    QDBusMessage callNow(QDBusMessage message) const;
    QDBusMessage callNow(QDBusMessage message, std::chrono::milliseconds limit) const;

    // `done` gets the reply, or the error standing for none, from the event loop; never when
    // `context` is gone by then.
    void callLater(QDBusMessage message, QObject* context, std::function<void(const QDBusMessage&)> done) const;

    // `changed(service, newOwner)` runs on `context` each time one of `services` gets an owner or
    // loses it (`newOwner` empty), for as long as the returned watcher lives.
    std::unique_ptr<QDBusServiceWatcher> watch(const QStringList& services, QObject* context,
                                               std::function<void(const QString&, const QString&)> changed) const;

private:
    QDBusConnection bus_;
    QDBusConnection::BusType type_;
    std::chrono::milliseconds timeout_;
};

// Whether `reply` is an answer (not an error) with the D-Bus signature `signature`.
bool isAnswer(const QDBusMessage& reply, std::string_view signature);

// Why `reply` is not such an answer, for a log line: the error's name, "no reply" or "answered
// <its signature>, not <signature>"; empty when it is one.
std::string replyProblem(const QDBusMessage& reply, std::string_view signature);

}  // namespace lumen::app
