#include "support/DBusMock.hpp"

#include "services/DisplaySleepInhibitors.hpp"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace lumen::app {
namespace {

using test::MockBus;

const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kGnome = QStringLiteral("org.gnome.SessionManager");
const QString kGnomePath = QStringLiteral("/org/gnome/SessionManager");

TEST(DisplaySleepInhibitors, OnlyBlockingIdleCounts)
{
    EXPECT_TRUE(DisplaySleepInhibitors::blocksIdle("idle", "block"));
    EXPECT_TRUE(DisplaySleepInhibitors::blocksIdle("sleep:idle:shutdown", "block"));
    EXPECT_FALSE(DisplaySleepInhibitors::blocksIdle("sleep:idle", "delay"));
    EXPECT_FALSE(DisplaySleepInhibitors::blocksIdle("handle-lid-switch", "block"));
    EXPECT_FALSE(DisplaySleepInhibitors::blocksIdle("idleness", "block"));
}

// logind on a system bus and whatever session manager a test starts on a session bus.
class DisplaySleepInhibitorsBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test::dbusMockAvailable()) GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
        system = std::make_unique<MockBus>();
        session = std::make_unique<MockBus>();
        ASSERT_TRUE(system->ok() && session->ok());
    }

    bool inForce() const
    {
        return DisplaySleepInhibitors({.systemBus = system->connection(), .sessionBus = session->connection()})
            .inForce();
    }

    // The inhibitor lasts while its file descriptor, held in the reply, is open.
    void inhibit(const QString& what, const QString& mode)
    {
        held.push_back(system->call(kLogin, kLoginPath, kManager, "Inhibit", {what, "player", "playing a video", mode}));
    }

    // A session manager whose IsInhibited runs `code` (flags in args[0]).
    void startGnomeSession(const QString& code)
    {
        ASSERT_TRUE(session->start(kGnome, {kGnome, kGnomePath, kGnome}));
        session->mock(kGnome, kGnomePath, "AddMethod", {kGnome, "IsInhibited", "u", "b", code});
    }

    std::unique_ptr<MockBus> system;
    std::unique_ptr<MockBus> session;
    std::vector<QDBusMessage> held;
};

TEST_F(DisplaySleepInhibitorsBusTest, LogindBlockingIdleInhibitor)
{
    ASSERT_TRUE(system->start(kLogin, {"--template", "logind"}));
    EXPECT_FALSE(inForce());
    inhibit("sleep", "block");
    inhibit("sleep:idle", "delay");
    EXPECT_FALSE(inForce());
    inhibit("sleep:idle", "block");
    EXPECT_TRUE(inForce());
    // The player quits.
    held.clear();
    EXPECT_TRUE(test::waitFor([&] { return !inForce(); }));
}

TEST_F(DisplaySleepInhibitorsBusTest, GnomeSessionManagerAskedForIdle)
{
    ASSERT_TRUE(system->start(kLogin, {"--template", "logind"}));
    startGnomeSession("ret = args[0] == 8");
    EXPECT_TRUE(inForce());
    session->mock(kGnome, kGnomePath, "AddMethod", {kGnome, "IsInhibited", "u", "b", "ret = False"});
    EXPECT_FALSE(inForce());
}

TEST_F(DisplaySleepInhibitorsBusTest, FailuresCountAsNotInForce)
{
    // No services at all.
    EXPECT_FALSE(inForce());

    // An answer of the wrong type, and a session manager that does not answer in time.
    ASSERT_TRUE(system->start(kLogin, {kLogin, kLoginPath, kManager, "--system"}));
    system->mock(kLogin, kLoginPath, "AddMethod",
                 {kManager, "ListInhibitors", "", "s", "ret = 'idle block'"});
    startGnomeSession("import time\ntime.sleep(2)\nret = True");
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(inForce());
    EXPECT_LT(clock.elapsed(), 1500);
}

}  // namespace
}  // namespace lumen::app
