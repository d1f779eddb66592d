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

using test::waitFor;

const QString kUPower = QStringLiteral("org.freedesktop.UPower");
const QString kUPowerPath = QStringLiteral("/org/freedesktop/UPower");
const QString kProfiles = QStringLiteral("net.hadess.PowerProfiles");
const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kSessionPath = QStringLiteral("/org/freedesktop/login1/session/c7");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kGnomeSaver = QStringLiteral("org.gnome.ScreenSaver");

void settle() { waitFor([] { return false; }, 100); }

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

    // A system and a session bus of the test's own; false where there are none to be had.
    bool startBuses()
    {
        if (!test::dbusMockAvailable()) return false;
        system = std::make_unique<test::MockBus>();
        session = std::make_unique<test::MockBus>();
        return system->ok() && session->ok();
    }

    // Buses the test did not start stand for a machine without D-Bus.
    void startMonitor(PowerMonitor::Options options = {})
    {
        const QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                                  QStringLiteral("lumen-test-no-bus"));
        options.systemBus = system ? system->connection() : none;
        options.sessionBus = session ? session->connection() : none;
        options.thermalRoot = sysfs.path().toStdString();
        monitor = std::make_unique<PowerMonitor>(std::move(options));
        monitor->onChange = [this](const PowerContext& context) { changes.push_back(context); };
    }

    bool waitForChanges(size_t count) { return waitFor([&] { return changes.size() >= count; }); }

    void update(const QString& service, const QString& path, const QString& interface, const QVariantMap& values)
    {
        system->mock(service, path, "UpdateProperties", {interface, values});
    }

    // Python run on a logind object: changes the real service would announce, kept quiet.
    void runInLogind(const QString& path, const QString& code)
    {
        system->mock(kLogind, path, "AddMethod", {"org.lumenfall.Test", "Run", "", "", code});
        system->call(kLogind, path, "org.lumenfall.Test", "Run");
    }

    void emitPrepareForSleep(bool sleeping)
    {
        system->mock(kLogind, kLogindPath, "EmitSignal",
                     {kLogind + ".Manager", "PrepareForSleep", "b", QVariantList{sleeping}});
    }

    QTemporaryDir sysfs;
    std::unique_ptr<test::MockBus> system, session;
    std::unique_ptr<PowerMonitor> monitor;
    std::vector<PowerContext> changes;
    std::vector<std::string> log;
};

// Each step is one real change, read from the bus or announced on it; anything between them that
// is no change would show up as one change too many.
TEST_F(PowerMonitorTest, ReadsTheStateAtStartThenFollowsEachChangeOnce)
{
    if (!startBuses()) GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
    ASSERT_TRUE(system->start(kUPower, {"--template", "upower", "-p", R"({"OnBattery": true})"}));
    // The power saver is read under its newer name and followed under both.
    const QString newer = "org.freedesktop.UPower.PowerProfiles", newerPath = "/org/freedesktop/UPower/PowerProfiles";
    ASSERT_TRUE(system->start(newer, {"--system", newer, newerPath, newer}));
    system->mock(newer, newerPath, "AddProperty",
                 {newer, "ActiveProfile", QVariant::fromValue(QDBusVariant("power-saver"))});
    ASSERT_TRUE(system->start(kProfiles, {"--template", "power_profiles_daemon"}));
    ASSERT_TRUE(system->start(kLogind, {"--template", "logind"}));
    system->mock(kLogind, kLogindPath, "AddSession", {"c7", "seat0", quint32(::getuid()), "someone", true});
    system->call(kLogind, kSessionPath, kSession, "SetLockedHint", {true});
    ASSERT_TRUE(session->start(kSaver, {"--session", kSaver, "/org/freedesktop/ScreenSaver", kSaver}));
    ASSERT_TRUE(session->start(kGnomeSaver, {"--template", "gnome_screensaver"}));
    startMonitor();
    PowerContext expected{.onBattery = true, .lowPowerMode = true, .screenLocked = true};
    EXPECT_EQ(monitor->context(), expected);
    EXPECT_EQ(monitor->sessionPath().toStdString(), kSessionPath.toStdString());
    EXPECT_TRUE(changes.empty());

    const auto onBattery = [&](bool value) { update(kUPower, kUPowerPath, kUPower, {{"OnBattery", value}}); };
    const auto profile = [&](const QVariant& value) {
        update(kProfiles, "/net/hadess/PowerProfiles", kProfiles, {{"ActiveProfile", value}});
    };
    const auto sessionCall = [&](const char* method, const QVariantList& args = {}) {
        system->call(kLogind, kSessionPath, kSession, method, args);
    };
    const auto active = [&](bool value) { update(kLogind, kSessionPath, kSession, {{"Active", value}}); };
    const auto saverSignal = [&](const QString& signature, const QVariant& value) {
        session->mock(kSaver, "/org/freedesktop/ScreenSaver", "EmitSignal",
                      {kSaver, "ActiveChanged", signature, QVariantList{value}});
    };
    struct Step {
        const char* name;
        std::function<void()> act;
        std::function<void(PowerContext&)> change;
        const char* logged = nullptr;
    };
    const Step steps[] = {
        {"on mains; the same value and another property are no change",
         [&] { onBattery(true); update(kUPower, kUPowerPath, kUPower, {{"LidIsClosed", true}}); onBattery(false); },
         [](auto& c) { c.onBattery = false; },
         "power: org.freedesktop.UPower.OnBattery → battery false, lowPower true, thermal nominal, locked true, "
         "displaysAsleep false, saver false, sleeping false"},
        {"performance; a profile that is no string is ignored", [&] { profile(5); profile("performance"); },
         [](auto& c) { c.lowPowerMode = false; }, "power: net.hadess.PowerProfiles.ActiveProfile → "},
        {"the lock hint clears", [&] { sessionCall("SetLockedHint", {false}); },
         [](auto& c) { c.screenLocked = false; }},
        {"locking twice", [&] { sessionCall("Lock"); sessionCall("Lock"); }, [](auto& c) { c.screenLocked = true; }},
        {"unlocking", [&] { sessionCall("Unlock"); }, [](auto& c) { c.screenLocked = false; }},
        {"switching away locks", [&] { active(false); }, [](auto& c) { c.screenLocked = true; }},
        {"coming back reads the lock", [&] { active(true); }, [](auto& c) { c.screenLocked = false; }},
        {"sleeping", [&] { emitPrepareForSleep(true); }, [](auto& c) { c.systemSleeping = true; }},
        {"waking reads a lock taken unannounced while asleep",
         [&] {
             runInLogind(kSessionPath, "self.props['org.freedesktop.login1.Session']['LockedHint'] = True");
             emitPrepareForSleep(false);
         },
         [](auto& c) { c.systemSleeping = false; c.screenLocked = true; }},
        {"the screen saver starts; a signal of the wrong type is no change",
         [&] { saverSignal("s", "yes"); saverSignal("b", true); }, [](auto& c) { c.screensaverRunning = true; },
         "power: org.freedesktop.ScreenSaver.ActiveChanged → "},
        {"GNOME's screen saver stops",
         [&] { session->call(kGnomeSaver, "/org/gnome/ScreenSaver", kGnomeSaver, "SetActive", {false}); },
         [](auto& c) { c.screensaverRunning = false; }, "power: org.gnome.ScreenSaver.ActiveChanged → "},
        {"on battery again", [&] { onBattery(true); }, [](auto& c) { c.onBattery = true; }},
        {"power saver again, under the newer name",
         [&] { update(newer, newerPath, newer, {{"ActiveProfile", "power-saver"}}); },
         [](auto& c) { c.lowPowerMode = true; }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        step.change(expected);
        ASSERT_TRUE(waitForChanges(changes.size() + 1));
        EXPECT_EQ(changes.back(), expected);
        EXPECT_TRUE(!step.logged || log.back().starts_with(step.logged)) << log.back();
    }

    // A service that leaves keeps what it said.
    system->stop(kUPower);
    EXPECT_TRUE(waitFor([&] { return log.back().ends_with("UPower left the bus; keeping what it said last"); }));
    settle();
    EXPECT_EQ(monitor->context(), expected);
    EXPECT_EQ(changes.size(), std::size(steps));
}

// Without buses all but a simulated battery keep their defaults. Polls cost wake-ups: none while nothing animates,
// and none for displays known to be asleep until input may have woken them.
TEST_F(PowerMonitorTest, ThermalAndDisplaySleepArePolledOnlyWhileAnimating)
{
    const std::filesystem::path zone = std::filesystem::path(sysfs.path().toStdString()) / "thermal_zone0";
    std::filesystem::create_directories(zone);
    std::ofstream(zone / "trip_point_0_type") << "passive\n";
    std::ofstream(zone / "trip_point_0_temp") << "80000\n";
    auto setTemperature = [&](const char* milli) { std::ofstream(zone / "temp") << milli << "\n"; };
    setTemperature("50000");
    int queries = 0;
    bool asleep = true;
    startMonitor({.simulateBattery = true,
                  .displaysAsleepQuery = [&]() -> std::optional<bool> { return ++queries, asleep; },
                  .thermalPollInterval = std::chrono::milliseconds(10),
                  .displaysAsleepPollInterval = std::chrono::milliseconds(10)});
    EXPECT_EQ(monitor->context(), PowerContext{.onBattery = true});
    setTemperature("85000");
    settle();
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(queries, 0);

    monitor->setAnimating(true);
    ASSERT_TRUE(waitFor([&] {
        return monitor->context() ==
               PowerContext{.onBattery = true, .thermal = ThermalLevel::serious, .displaysAsleep = true};
    }));
    const int whileAsleep = queries;
    settle();
    EXPECT_EQ(queries, whileAsleep);
    asleep = false;
    monitor->pollDisplaysAsleep();
    EXPECT_FALSE(monitor->context().displaysAsleep);
    EXPECT_TRUE(log.back().starts_with("power: dpms → ")) << log.back();
    EXPECT_TRUE(waitFor([&] { return queries > whileAsleep + 2; }));
    setTemperature("72000");
    EXPECT_TRUE(waitFor([&] { return monitor->context().thermal == ThermalLevel::fair; }));

    monitor->setAnimating(false);
    settle();
    const auto seen = changes.size();
    const int asked = queries;
    setTemperature("50000");
    settle();
    EXPECT_EQ(changes.size(), seen);
    EXPECT_EQ(queries, asked);
}

}  // namespace
}  // namespace lumen::app
