#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTemporaryDir>

#include "support/XServer.hpp"

#include <functional>
#include <map>
#include <memory>

namespace lumen::test {

// Whether dbus-daemon and Debian's python3-dbusmock are installed.
bool dbusMockAvailable();

// waitFor (support/XServer.hpp) with the limit in milliseconds.
bool waitFor(const std::function<bool()>& done, int timeoutMs);

// A private dbus-daemon with python-dbusmock services on it; everything stops with the object.
class MockBus {
public:
    MockBus();
    ~MockBus();
    MockBus(const MockBus&) = delete;
    MockBus& operator=(const MockBus&) = delete;

    bool ok() const { return connection_.isConnected(); }
    QDBusConnection connection() const { return connection_; }
    // The bus address, for a child process to connect to.
    const QString& address() const { return address_; }

    // Runs `python3 -m dbusmock <arguments>` and waits until it owns `service`.
    bool start(const QString& service, const QStringList& arguments);
    void stop(const QString& service);

    // A blocking call; fails the current test when the answer is an error.
    QDBusMessage call(const QString& service, const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments = {});
    // The same on dbusmock's control interface.
    QDBusMessage mock(const QString& service, const QString& path, const QString& method,
                      const QVariantList& arguments = {});

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QString name_;
    QDBusConnection connection_{QString()};
    std::map<QString, std::unique_ptr<QProcess>> services_;
};

}  // namespace lumen::test
