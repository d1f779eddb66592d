#include "support/DBusMock.hpp"

#include "log/EventLog.hpp"
#include "services/PowerMonitor.hpp"

#include <QDBusVariant>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

namespace lumen {
void PrintTo(const PowerContext& context, std::ostream* out) { *out << app::PowerMonitor::describe("", context); }
}  // namespace lumen

namespace lumen::app {
namespace {

using test::MockBus;
using test::waitFor;

const QString kUPower = QStringLiteral("org.freedesktop.UPower");
const QString kUPowerPath = QStringLiteral("/org/freedesktop/UPower");
const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");
const QString kSessionPath = QStringLiteral("/org/freedesktop/login1/session/c7");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");

PowerContext contextWith(const std::function<void(PowerContext&)>& change)
{
    PowerContext context;
    change(context);
    return context;
}

class PowerMonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EventLog::setObserver([this](const std::string& line) {
            if (line.starts_with("power: ")) log.push_back(line);
        });
        qputenv("XDG_SESSION_ID", "c7");
    }

    void TearDown() override
    {
        monitor.reset();
        EventLog::setObserver({});
        QDBusConnection::disconnectFromBus(QStringLiteral("lumen-test-no-bus"));
    }

    // Buses the test did not start stand for a machine without D-Bus.
    void startMonitor(PowerMonitor::Options options = {})
    {
        const QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                                  QStringLiteral("lumen-test-no-bus"));
        options.systemBus = system ? system->connection() : none;
        options.sessionBus = session ? session->connection() : none;
        if (options.thermalRoot == PowerMonitor::Options().thermalRoot) {
            options.thermalRoot = sysfs.path().toStdString();
        }
        monitor = std::make_unique<PowerMonitor>(std::move(options));
        monitor->onChange = [this](const PowerContext& context) { changes.push_back(context); };
    }

    bool waitForChanges(size_t count)
    {
        return waitFor([&] { return changes.size() >= count; });
    }

    QTemporaryDir sysfs;
    std::unique_ptr<MockBus> system;
    std::unique_ptr<MockBus> session;
    std::unique_ptr<PowerMonitor> monitor;
    std::vector<PowerContext> changes;
    std::vector<std::string> log;
};

// A system and a session bus of their own, with the mocks each test starts.
class PowerMonitorBusTest : public PowerMonitorTest {
protected:
    void SetUp() override
    {
        PowerMonitorTest::SetUp();
        if (!test::dbusMockAvailable()) GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
        system = std::make_unique<MockBus>();
        session = std::make_unique<MockBus>();
        ASSERT_TRUE(system->ok() && session->ok());
    }

    void startUPower(bool onBattery)
    {
        ASSERT_TRUE(system->start(kUPower, {"--template", "upower", "-p",
                                            QStringLiteral("{\"OnBattery\": %1}").arg(onBattery ? "true" : "false")}));
    }

    void setOnBattery(bool onBattery)
    {
        system->mock(kUPower, kUPowerPath, "UpdateProperties", {kUPower, QVariantMap{{"OnBattery", onBattery}}});
    }

    // logind with our session "c7", active.
    void startLogind(bool locked)
    {
        ASSERT_TRUE(system->start(kLogin, {"--template", "logind"}));
        system->mock(kLogin, kLoginPath, "AddSession", {"c7", "seat0", quint32(::getuid()), "someone", true});
        system->call(kLogin, kSessionPath, kSession, "SetLockedHint", {locked});
    }

    // Python run on a logind object: changes the real service would announce, kept quiet.
    void runInLogind(const QString& path, const QString& code)
    {
        static int serial = 0;
        const QString method = QStringLiteral("Run%1").arg(++serial);
        system->mock(kLogin, path, "AddMethod", {"org.lumenfall.Test", method, "", "", code});
        system->call(kLogin, path, "org.lumenfall.Test", method);
    }

    void emitPrepareForSleep(bool sleeping)
    {
        system->mock(kLogin, kLoginPath, "EmitSignal",
                     {"org.freedesktop.login1.Manager", "PrepareForSleep", "b", QVariantList{sleeping}});
    }
};

TEST_F(PowerMonitorBusTest, ReadsTheStateAtStart)
{
    startUPower(true);
    ASSERT_TRUE(system->start("net.hadess.PowerProfiles",
                              {"--template", "power_profiles_daemon", "-p", R"({"ActiveProfile": "power-saver"})"}));
    startLogind(true);
    // Without a session id (and unknown by pid): the user's display session.
    qunsetenv("XDG_SESSION_ID");
    // The template's GetUser fails on its numeric argument.
    system->mock(kLogin, kLoginPath, "AddMethod",
                 {"org.freedesktop.login1.Manager", "GetUser", "u", "o",
                  "ret = '/org/freedesktop/login1/user/%d' % args[0]"});
    runInLogind(QStringLiteral("/org/freedesktop/login1/user/%1").arg(::getuid()),
                "self.props['org.freedesktop.login1.User']['Display'] = "
                "('c7', dbus.ObjectPath('/org/freedesktop/login1/session/c7'))");
    startMonitor();

    EXPECT_EQ(monitor->context(), contextWith([](PowerContext& c) {
                  c.onBattery = true;
                  c.lowPowerMode = true;
                  c.screenLocked = true;
              }));
    EXPECT_EQ(monitor->sessionPath().toStdString(), kSessionPath.toStdString());
    EXPECT_TRUE(changes.empty());
}

TEST_F(PowerMonitorBusTest, GoingOnBatteryIsOneChangeWithOneLogLine)
{
    startUPower(false);
    startMonitor();
    log.clear();

    setOnBattery(false);  // nothing new
    system->mock(kUPower, kUPowerPath, "UpdateProperties", {kUPower, QVariantMap{{"LidIsClosed", true}}});
    setOnBattery(true);
    ASSERT_TRUE(waitForChanges(1));
    waitFor([] { return false; }, 100);

    EXPECT_EQ(changes.size(), 1u);
    EXPECT_TRUE(changes[0].onBattery);
    EXPECT_EQ(log, std::vector<std::string>{"power: org.freedesktop.UPower.OnBattery → battery true, lowPower false, "
                                            "thermal nominal, locked false, displaysAsleep false, saver false, "
                                            "sleeping false"});
}

TEST_F(PowerMonitorBusTest, FollowsTheNewerPowerProfilesName)
{
    const QString name = "org.freedesktop.UPower.PowerProfiles";
    ASSERT_TRUE(system->start(name, {"--system", name, "/org/freedesktop/UPower/PowerProfiles", name}));
    system->mock(name, "/org/freedesktop/UPower/PowerProfiles", "AddProperty",
                 {name, "ActiveProfile", QVariant::fromValue(QDBusVariant("balanced"))});
    startMonitor();
    system->mock(name, "/org/freedesktop/UPower/PowerProfiles", "UpdateProperties",
                 {name, QVariantMap{{"ActiveProfile", "power-saver"}}});

    ASSERT_TRUE(waitForChanges(1));
    EXPECT_TRUE(changes[0].lowPowerMode);
    EXPECT_EQ(log.back().rfind("power: org.freedesktop.UPower.PowerProfiles.ActiveProfile → ", 0), 0u) << log.back();
}

TEST_F(PowerMonitorBusTest, WakingWhileLockedIsOneChange)
{
    startUPower(false);
    startLogind(false);
    startMonitor();

    emitPrepareForSleep(true);
    ASSERT_TRUE(waitForChanges(1));
    EXPECT_TRUE(changes[0].systemSleeping);

    // Locked during sleep without a signal reaching us: waking must read it.
    runInLogind(kSessionPath, "self.props['org.freedesktop.login1.Session']['LockedHint'] = True");
    emitPrepareForSleep(false);

    ASSERT_TRUE(waitForChanges(2));
    EXPECT_EQ(changes[1], contextWith([](PowerContext& c) { c.screenLocked = true; }));
}

TEST_F(PowerMonitorBusTest, LockTwiceIsOneChange)
{
    startLogind(false);
    startMonitor();

    system->call(kLogin, kSessionPath, kSession, "Lock");
    system->call(kLogin, kSessionPath, kSession, "Lock");
    system->call(kLogin, kSessionPath, kSession, "Unlock");

    ASSERT_TRUE(waitForChanges(2));
    waitFor([] { return false; }, 100);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_TRUE(changes[0].screenLocked);
    EXPECT_FALSE(changes[1].screenLocked);
}

TEST_F(PowerMonitorBusTest, SwitchingAwayLocksAndComingBackReadsTheLock)
{
    startLogind(false);
    startMonitor();

    system->mock(kLogin, kSessionPath, "UpdateProperties", {kSession, QVariantMap{{"Active", false}}});
    ASSERT_TRUE(waitForChanges(1));
    EXPECT_TRUE(changes[0].screenLocked);

    system->mock(kLogin, kSessionPath, "UpdateProperties", {kSession, QVariantMap{{"Active", true}}});
    ASSERT_TRUE(waitForChanges(2));
    EXPECT_FALSE(changes[1].screenLocked);
}

TEST_F(PowerMonitorBusTest, ScreenSaverStartAndStopAreTwoChanges)
{
    const QString freedesktop = "org.freedesktop.ScreenSaver";
    ASSERT_TRUE(session->start(freedesktop, {"--session", freedesktop, "/org/freedesktop/ScreenSaver", freedesktop}));
    ASSERT_TRUE(session->start("org.gnome.ScreenSaver", {"--template", "gnome_screensaver"}));
    startMonitor();

    session->mock(freedesktop, "/org/freedesktop/ScreenSaver", "EmitSignal",
                  {freedesktop, "ActiveChanged", "s", QVariantList{"yes"}});  // ignored
    session->mock(freedesktop, "/org/freedesktop/ScreenSaver", "EmitSignal",
                  {freedesktop, "ActiveChanged", "b", QVariantList{true}});
    ASSERT_TRUE(waitForChanges(1));
    session->call("org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "SetActive", {false});
    ASSERT_TRUE(waitForChanges(2));

    ASSERT_EQ(changes.size(), 2u);
    EXPECT_TRUE(changes[0].screensaverRunning);
    EXPECT_FALSE(changes[1].screensaverRunning);
    EXPECT_EQ(log.back().rfind("power: org.gnome.ScreenSaver.ActiveChanged → ", 0), 0u) << log.back();
}

TEST_F(PowerMonitorBusTest, OddOrVanishingServicesKeepTheirValues)
{
    startUPower(true);
    ASSERT_TRUE(system->start("net.hadess.PowerProfiles",
                              {"--template", "power_profiles_daemon", "-p", R"({"ActiveProfile": 5})"}));
    startMonitor();
    EXPECT_TRUE(monitor->context().onBattery);
    EXPECT_FALSE(monitor->context().lowPowerMode);

    system->stop(kUPower);
    ASSERT_TRUE(waitFor([&] { return !log.empty() && log.back() == "power: org.freedesktop.UPower left the bus; "
                                                                    "keeping what it said last"; }));
    EXPECT_TRUE(monitor->context().onBattery);
    EXPECT_TRUE(changes.empty());
}

TEST_F(PowerMonitorBusTest, SimulatedBatteryWinsOverUPowerAndWaking)
{
    startUPower(false);
    startMonitor({.simulateBattery = true});
    EXPECT_TRUE(monitor->context().onBattery);

    ASSERT_TRUE(system->start(kLogin, {"--template", "logind"}));
    emitPrepareForSleep(true);
    emitPrepareForSleep(false);
    ASSERT_TRUE(waitForChanges(2));
    EXPECT_TRUE(changes[1].onBattery);
    EXPECT_FALSE(changes[1].systemSleeping);
}

TEST_F(PowerMonitorTest, WithoutBusesEverythingStaysAtItsDefault)
{
    startMonitor();
    EXPECT_EQ(monitor->context(), PowerContext());
    EXPECT_EQ(log.at(0).rfind("power: no system bus", 0), 0u) << log.at(0);
}

TEST_F(PowerMonitorTest, ThermalIsPolledOnlyWhileAnimating)
{
    const std::filesystem::path zone = std::filesystem::path(sysfs.path().toStdString()) / "thermal_zone0";
    std::filesystem::create_directories(zone);
    std::ofstream(zone / "trip_point_0_type") << "passive\n";
    std::ofstream(zone / "trip_point_0_temp") << "80000\n";
    auto setTemperature = [&](const char* milli) { std::ofstream(zone / "temp") << milli << "\n"; };
    setTemperature("50000");
    startMonitor({.thermalPollInterval = std::chrono::milliseconds(10)});

    setTemperature("85000");
    waitFor([] { return false; }, 100);
    EXPECT_TRUE(changes.empty());

    monitor->setAnimating(true);
    ASSERT_TRUE(waitForChanges(1));
    EXPECT_EQ(changes[0].thermal, ThermalLevel::serious);
    setTemperature("72000");
    ASSERT_TRUE(waitForChanges(2));
    EXPECT_EQ(changes[1].thermal, ThermalLevel::fair);

    monitor->setAnimating(false);
    setTemperature("50000");
    waitFor([] { return false; }, 100);
    EXPECT_EQ(changes.size(), 2u);
}

TEST_F(PowerMonitorTest, DisplaysAsleepIsPolledWhileAwakeAndAskedOnInput)
{
    int queries = 0;
    bool asleep = true;
    startMonitor({.displaysAsleepQuery = [&]() -> std::optional<bool> { return ++queries, asleep; },
                  .displaysAsleepPollInterval = std::chrono::milliseconds(10)});
    waitFor([] { return false; }, 50);
    EXPECT_EQ(queries, 0);

    monitor->setAnimating(true);
    ASSERT_TRUE(waitForChanges(1));
    EXPECT_TRUE(changes[0].displaysAsleep);
    EXPECT_EQ(log.back().rfind("power: dpms → ", 0), 0u);
    const int whileAsleep = queries;
    waitFor([] { return false; }, 50);
    EXPECT_EQ(queries, whileAsleep);

    asleep = false;
    monitor->pollDisplaysAsleep();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_FALSE(changes[1].displaysAsleep);
    EXPECT_TRUE(waitFor([&] { return queries > whileAsleep + 2; }));
}

}  // namespace
}  // namespace lumen::app
