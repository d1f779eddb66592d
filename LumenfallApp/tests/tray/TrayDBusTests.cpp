#include "TrayRig.hpp"

#include "support/DBusMock.hpp"
#include "support/XServer.hpp"

#include "ui/tray/TrayIcon.hpp"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QSystemTrayIcon>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>

namespace lumen::app::test {

int runTrayChild(int argc, char** argv) {
    QApplication app(argc, argv);
    TrayRig rig;
    TrayIcon tray(*rig.model, true);
    std::printf("tray available: %d\n", QSystemTrayIcon::isSystemTrayAvailable() ? 1 : 0);
    std::fflush(stdout);
    QTimer::singleShot(60'000, &app, &QCoreApplication::quit);
    return app.exec();
}

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

// The first argument of each RegisterStatusNotifierItem call the watcher received.
QStringList registeredItems(lumen::test::MockBus& bus) {
    const QDBusMessage reply = bus.mock(kWatcher, kWatcherPath, QStringLiteral("GetCalls"));
    QStringList items;
    if (reply.arguments().isEmpty()) return items;
    const auto calls = reply.arguments().front().value<QDBusArgument>();
    calls.beginArray();
    while (!calls.atEnd()) {
        quint64 when = 0;
        QString method;
        QVariantList arguments;
        calls.beginStructure();
        calls >> when >> method >> arguments;
        calls.endStructure();
        if (method != QStringLiteral("RegisterStatusNotifierItem") || arguments.isEmpty()) continue;
        const QVariant first = arguments.front();
        items << (first.canConvert<QDBusVariant>() ? first.value<QDBusVariant>().variant() : first).toString();
    }
    calls.endArray();
    return items;
}

// Qt offers a StatusNotifierItem only through the generic desktop theme, which the offscreen
// platform lacks: the icon is shown by a child on xcb over a private Xvfb.
TEST(TrayStatusNotifierTest, ShownIconRegistersWithTheWatcher) {
    if (!lumen::test::dbusMockAvailable()) GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
    std::string reason;
    auto server = lumen::test::XServer::start(reason, "640x480");
    if (!server) GTEST_SKIP() << reason;

    lumen::test::MockBus bus;
    ASSERT_TRUE(bus.ok());
    ASSERT_TRUE(bus.start(kWatcher, {kWatcher, kWatcherPath, kWatcher}));
    bus.mock(kWatcher, kWatcherPath, QStringLiteral("AddProperties"),
             {kWatcher, QVariantMap{{QStringLiteral("IsStatusNotifierHostRegistered"), true},
                                    {QStringLiteral("ProtocolVersion"), 0},
                                    {QStringLiteral("RegisteredStatusNotifierItems"), QStringList{}}}});
    bus.mock(kWatcher, kWatcherPath, QStringLiteral("AddMethod"),
             {kWatcher, QStringLiteral("RegisterStatusNotifierItem"), QStringLiteral("s"), QString(), QString()});

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(server->display()));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
    // A named desktop could pick a theme plugin of its own; the generic one is what we test.
    environment.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORMTHEME"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromUtf8(kTrayChildSwitch)});
    ASSERT_TRUE(child.waitForStarted(10'000));

    QStringList items;
    const bool registered = lumen::test::waitFor([&] { return !(items = registeredItems(bus)).isEmpty(); }, 30'000);
    QByteArray said;
    lumen::test::waitFor([&] { return (said += child.readAllStandardOutput()).contains('\n'); }, 10'000);
    EXPECT_EQ(said.trimmed(), "tray available: 1");
    ASSERT_TRUE(registered);
    // The item it named answers on the bus.
    const QDBusMessage status = bus.call(items.front(), QStringLiteral("/StatusNotifierItem"),
                                         QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                         {QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Status")});
    ASSERT_FALSE(status.arguments().isEmpty());
    EXPECT_EQ(status.arguments().front().value<QDBusVariant>().variant().toString(), QStringLiteral("Active"));
    child.kill();
    child.waitForFinished(5'000);
}

}  // namespace
}  // namespace lumen::app::test
