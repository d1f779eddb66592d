#pragma once

#include "support/XServer.hpp"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

namespace lumen::test {

// Debian's interpreter: the dbusmock module is installed for it, not for whatever python3 is first on PATH.
inline const QString kDBusMockPython = QStringLiteral("/usr/bin/python3");

// Whether dbus-daemon and Debian's python3-dbusmock are installed.
inline bool dbusMockAvailable()
{
    static const bool available = [] {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) return false;
        QProcess probe;
        probe.start(kDBusMockPython, {QStringLiteral("-c"), QStringLiteral("import dbusmock")});
        return probe.waitForFinished(10'000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
    }();
    return available;
}

// waitFor with the limit in milliseconds.
inline bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    return waitFor(done, std::chrono::milliseconds(timeoutMs));
}

// A private dbus-daemon with python-dbusmock services on it; everything stops with the object.
class MockBus {
public:
    MockBus()
    {
        static int serial = 0;
        name_ = QStringLiteral("lumen-test-bus-%1").arg(++serial);
        QFile config(dir_.filePath(QStringLiteral("bus.conf")));
        if (!dir_.isValid() || !config.open(QIODevice::WriteOnly)) return;
        config.write(QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                                    "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                    "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>")
                         .arg(dir_.path())
                         .toUtf8());
        config.close();
        daemon_.setStandardErrorFile(QProcess::nullDevice());
        daemon_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config.fileName(),
                                                      QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!daemon_.waitForStarted(5'000)) return;
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5'000)) continue;
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        connection_ = QDBusConnection::connectToBus(address_, name_);
    }
    ~MockBus()
    {
        while (!services_.empty()) stop(services_.begin()->first);
        QDBusConnection::disconnectFromBus(name_);
        stopProcess(daemon_);
    }

    bool ok() const { return connection_.isConnected(); }
    QString address() const { return address_; }
    QDBusConnection connection() const { return connection_; }

    // Runs `python3 -m dbusmock <arguments>` and waits until it owns `service`.
    bool start(const QString& service, const QStringList& arguments)
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // Templates pick the system or the session bus; both are this one.
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address_);
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
        process->setProcessEnvironment(environment);
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(kDBusMockPython, QStringList{QStringLiteral("-m"), QStringLiteral("dbusmock")} + arguments);
        QProcess* running = process.get();
        services_[service] = std::move(process);
        auto owned = [&] { return connection_.interface()->isServiceRegistered(service).value(); };
        return waitFor([&] { return running->state() == QProcess::NotRunning || owned(); }, 5000) &&
               running->state() == QProcess::Running;
    }
    void stop(const QString& service)
    {
        if (auto it = services_.find(service); it != services_.end()) {
            stopProcess(*it->second);
            services_.erase(it);
        }
    }

    // A blocking call; fails the current test when the answer is an error.
    QDBusMessage call(const QString& service, const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        QDBusMessage reply = connection_.call(message, QDBus::Block, 5'000);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << method.toStdString() << " on " << service.toStdString() << ": " << reply.errorMessage().toStdString();
        return reply;
    }
    // The same on dbusmock's control interface.
    QDBusMessage mock(const QString& service, const QString& path, const QString& method,
                      const QVariantList& arguments = {})
    {
        return call(service, path, QStringLiteral("org.freedesktop.DBus.Mock"), method, arguments);
    }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QString name_;
    QDBusConnection connection_{QString()};
    std::map<QString, std::unique_ptr<QProcess>> services_;
};

}  // namespace lumen::test
