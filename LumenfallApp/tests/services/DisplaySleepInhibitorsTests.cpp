#include "support/DBusMock.hpp"

#include "services/DisplaySleepInhibitors.hpp"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace lumen::app {
namespace {

const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kGnomeSession = QStringLiteral("org.gnome.SessionManager");
const QString kGnomePath = QStringLiteral("/org/gnome/SessionManager");

// logind on a system bus and GNOME's session manager on a session bus, each asked afresh.
TEST(DisplaySleepInhibitorsBus, FollowsLogindAndTheSessionManagerAndFailsOpen)
{
    if (!test::dbusMockAvailable()) GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
    test::MockBus system, session;
    ASSERT_TRUE(system.ok() && session.ok());
    const auto inForce = [&] {
        return DisplaySleepInhibitors({.systemBus = system.connection(), .sessionBus = session.connection()}).inForce();
    };
    EXPECT_FALSE(inForce());  // no services at all

    // An inhibitor lasts while its file descriptor, held in the reply, is open.
    ASSERT_TRUE(system.start(kLogin, {"--template", "logind"}));
    std::vector<QDBusMessage> held;
    const auto inhibit = [&](const QString& what, const QString& mode) {
        held.push_back(system.call(kLogin, kLoginPath, kManager, "Inhibit", {what, "player", "a video", mode}));
    };
    // Only an inhibitor that blocks idle counts.
    for (const char* what : {"sleep", "handle-lid-switch", "idleness"}) inhibit(what, "block");
    inhibit("sleep:idle", "delay");
    EXPECT_FALSE(inForce());
    inhibit("sleep:idle:shutdown", "block");
    EXPECT_TRUE(inForce());
    held.clear();  // the player quits
    EXPECT_TRUE(test::waitFor([&] { return !inForce(); }));

    // The session manager is asked about idle (flag 8) alone.
    ASSERT_TRUE(session.start(kGnomeSession, {kGnomeSession, kGnomePath, kGnomeSession}));
    const auto isInhibited = [&](const QString& code) {
        session.mock(kGnomeSession, kGnomePath, "AddMethod", {kGnomeSession, "IsInhibited", "u", "b", code});
    };
    isInhibited("ret = args[0] == 8");
    EXPECT_TRUE(inForce());
    isInhibited("ret = False");
    EXPECT_FALSE(inForce());

    // An answer of the wrong type, and a session manager that does not answer in time.
    system.mock(kLogin, kLoginPath, "AddMethod", {kManager, "ListInhibitors", "", "s", "ret = 'idle block'"});
    isInhibited("import time\ntime.sleep(2)\nret = True");
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(inForce());
    EXPECT_LT(clock.elapsed(), 1500);
}

}  // namespace
}  // namespace lumen::app
