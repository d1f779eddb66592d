#include "services/BusConnection.hpp"

#include "log/EventLog.hpp"

#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

namespace lumen::app {

namespace {

QLatin1StringView latin1(std::string_view s) { return QLatin1StringView(s.data(), qsizetype(s.size())); }

// The process's bus is asked for only when none is given: asking connects to it, and a test's
// own buses stand for the whole machine.
QDBusConnection givenOrOwn(const std::optional<QDBusConnection>& given, QDBusConnection::BusType type)
{
    if (given) return *given;
    return type == QDBusConnection::SystemBus ? QDBusConnection::systemBus() : QDBusConnection::sessionBus();
}

}  // namespace

BusConnection::BusConnection(const std::optional<QDBusConnection>& given, QDBusConnection::BusType fallback,
                             std::chrono::milliseconds timeout)
    : bus_(givenOrOwn(given, fallback)),
      type_(fallback),
      timeout_(timeout)
{
}

bool BusConnection::connectedOrLog(std::string_view subject, std::string_view consequence) const
{
    if (bus_.isConnected()) return true;
    logEvent(std::string(subject) + ": no " + (type_ == QDBusConnection::SystemBus ? "system" : "session") +
             " bus (" + bus_.lastError().message().toStdString() + "); " + std::string(consequence));
    return false;
}

QDBusMessage BusConnection::callNow(QDBusMessage message) const { return callNow(std::move(message), timeout_); }

QDBusMessage BusConnection::callNow(QDBusMessage message, std::chrono::milliseconds limit) const
{
    if (!bus_.isConnected()) return {};
    // Only services that run already: starting one on demand can take far longer than we wait.
    message.setAutoStartService(false);
    return bus_.call(message, QDBus::Block, static_cast<int>(limit.count()));
}

void BusConnection::callLater(QDBusMessage message, QObject* context,
                              std::function<void(const QDBusMessage&)> done) const
{
    message.setAutoStartService(false);
    // Parented to the context so that a reply arriving after it is gone goes nowhere.
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message, static_cast<int>(timeout_.count())), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         done(finished->reply());
                     });
}

std::unique_ptr<QDBusServiceWatcher> BusConnection::watch(
    const QStringList& services, QObject* context, std::function<void(const QString&, const QString&)> changed) const
{
    auto watcher = std::make_unique<QDBusServiceWatcher>();
    watcher->setConnection(bus_);
    watcher->setWatchedServices(services);
    QObject::connect(watcher.get(), &QDBusServiceWatcher::serviceOwnerChanged, context,
                     [changed = std::move(changed)](const QString& service, const QString&, const QString& newOwner) {
                         changed(service, newOwner);
                     });
    return watcher;
}

bool isAnswer(const QDBusMessage& reply, std::string_view signature)
{
    return reply.type() == QDBusMessage::ReplyMessage && reply.signature() == latin1(signature);
}

std::string replyProblem(const QDBusMessage& reply, std::string_view signature)
{
    if (reply.type() == QDBusMessage::ErrorMessage) return reply.errorName().toStdString();
    if (reply.type() != QDBusMessage::ReplyMessage) return "no reply";
    if (reply.signature() != latin1(signature)) {
        return "answered " + reply.signature().toStdString() + ", not " + std::string(signature);
    }
    return {};
}

}  // namespace lumen::app
