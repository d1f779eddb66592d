#include "DisplaySleepInhibitors.hpp"

#include <QDBusArgument>
#include <QDBusMessage>

namespace lumen::app {

namespace {

const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");

const QString kGnomeSession = QStringLiteral("org.gnome.SessionManager");
const QString kGnomeSessionPath = QStringLiteral("/org/gnome/SessionManager");
// GsmInhibitorFlag: 8 is "idle" (the session is not to be marked idle).
constexpr quint32 kGnomeInhibitIdle = 8;

}  // namespace

DisplaySleepInhibitors::DisplaySleepInhibitors(const Options& options)
    : system_(options.systemBus, QDBusConnection::SystemBus, options.callTimeout),
      session_(options.sessionBus, QDBusConnection::SessionBus, options.callTimeout)
{
}

bool DisplaySleepInhibitors::inForce() const { return logindInhibits() || gnomeInhibits(); }

bool DisplaySleepInhibitors::blocksIdle(const QString& what, const QString& mode)
{
    // A "delay" inhibitor only postpones; "block" is the one that keeps the displays on.
    return mode == QLatin1String("block") && what.split(QLatin1Char(':')).contains(QLatin1String("idle"));
}

bool DisplaySleepInhibitors::logindInhibits() const
{
    const QDBusMessage reply = system_.callNow(
        QDBusMessage::createMethodCall(kLogin, kLoginPath, kManager, QStringLiteral("ListInhibitors")));
    if (!isAnswer(reply, "a(ssssuu)")) return false;

    // what, who, why, mode, uid, pid
    const QDBusArgument list = reply.arguments().at(0).value<QDBusArgument>();
    bool inhibits = false;
    list.beginArray();
    while (!list.atEnd()) {
        QString what, who, why, mode;
        quint32 uid = 0, pid = 0;
        list.beginStructure();
        list >> what >> who >> why >> mode >> uid >> pid;
        list.endStructure();
        inhibits |= blocksIdle(what, mode);
    }
    list.endArray();
    return inhibits;
}

bool DisplaySleepInhibitors::gnomeInhibits() const
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(kGnomeSession, kGnomeSessionPath, kGnomeSession, QStringLiteral("IsInhibited"));
    message << kGnomeInhibitIdle;
    const QDBusMessage reply = session_.callNow(message);
    return isAnswer(reply, "b") && reply.arguments().at(0).toBool();
}

}  // namespace lumen::app
