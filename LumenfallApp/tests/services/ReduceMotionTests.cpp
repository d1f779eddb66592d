#include "support/DBusMock.hpp"

#include "services/ReduceMotion.hpp"

#include <QDBusVariant>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace lumen::app {
namespace {

using test::waitFor;

const QString kStandIn = QStringLiteral("org.lumenfall.PortalStandIn");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettings = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGnome = QStringLiteral("org.gnome.desktop.interface");
const QString kKde = QStringLiteral("org.kde.kdeglobals.KDE");
const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kFind = "v = getattr(self, 'values', {}).get((args[0], args[1]))\n"
                      "if v is None: raise dbus.exceptions.DBusException('', "
                      "name='org.freedesktop.portal.Error.NotFound')\n";

// A portal stand-in on a bus of its own: `Put` stores and announces a setting, ReadOne answers
// it, the older Read wraps it in one more variant, `Claim` makes it the desktop portal.
class ReduceMotionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test::dbusMockAvailable()) GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
        bus = std::make_unique<test::MockBus>();
        ASSERT_TRUE(bus->ok() && bus->start(kStandIn, {kStandIn, kPath, kSettings}));
        addMethod("ReadOne", kFind + "ret = v", "ss", "v");
        addMethod("Read", kFind + "ret = type(v)(v, variant_level=2)", "ss", "v");
        addMethod("Put", "self.values = getattr(self, 'values', {})\nself.values[(args[0], args[1])] = args[2]\n"
                         "self.EmitSignal('" + kSettings + "', 'SettingChanged', 'ssv', args)", "ssv");
        addMethod("Clear", "self.values = {}");
        addMethod("Claim", "self.alias = dbus.service.BusName('org.freedesktop.portal.Desktop', self.connection)");
    }

    void addMethod(const QString& method, const QString& code, const QString& in = "", const QString& out = "")
    {
        bus->mock(kStandIn, kPath, "AddMethod", {kSettings, method, in, out, code});
    }
    void put(const QString& space, const QString& key, const QVariant& value)
    {
        bus->call(kStandIn, kPath, kSettings, "Put", {space, key, QVariant::fromValue(QDBusVariant(value))});
    }
    void create(QDBusConnection connection)
    {
        changes = 0;
        motion = std::make_unique<ReduceMotion>(ReduceMotion::Options{connection});
        motion->onChange = [this] { ++changes; };
    }

    std::unique_ptr<test::MockBus> bus;
    std::unique_ptr<ReduceMotion> motion;
    int changes = 0;
};

struct Setting {
    QString space, key;
    QVariant value;
    bool reduce;
};

TEST_F(ReduceMotionTest, ReadsEachDesktopsKeyAtStartThenFlipsOnlyWhenTheOutcomeDoes)
{
    bus->call(kStandIn, kPath, kSettings, "Claim");
    const Setting atStart[] = {
        {kGnome, "enable-animations", false, true},          {kAppearance, "reduced-motion", 1u, true},
        {kAppearance, "reduced-motion", 7u, false},         {kKde, "AnimationDurationFactor", 0.0, true},
        {kKde, "AnimationDurationFactor", "0", true},       {kKde, "AnimationDurationFactor", 0.5, false},
        {kGnome, "enable-animations", "false", false},
    };
    for (bool readOne : {true, false}) {  // then as an older portal that answers only Read
        if (!readOne) {
            addMethod("ReadOne", "raise dbus.exceptions.DBusException('', "
                                 "name='org.freedesktop.DBus.Error.UnknownMethod')", "ss", "v");
        }
        for (const auto& s : atStart) {
            motion.reset();
            bus->call(kStandIn, kPath, kSettings, "Clear");
            put(s.space, s.key, s.value);
            create(bus->connection());
            EXPECT_EQ(motion->enabled(), s.reduce) << s.key.toStdString() << (readOne ? "" : " through Read");
        }
    }

    // Each announcement is one vote; signals arrive in order, so a later step waits on a count
    // that an extra change would spoil.
    bus->call(kStandIn, kPath, kSettings, "Clear");
    put(kGnome, "enable-animations", true);
    create(bus->connection());
    const std::pair<Setting, int> announced[] = {
        {{kAppearance, "color-scheme", 1u, false}, 0},     {{kGnome, "enable-animations", true, false}, 0},
        {{kGnome, "enable-animations", false, true}, 1},   {{kGnome, "enable-animations", false, true}, 1},
        {{kAppearance, "reduced-motion", 1u, true}, 1},     {{kGnome, "enable-animations", true, true}, 1},
        {{kAppearance, "reduced-motion", true, false}, 2}, {{kKde, "AnimationDurationFactor", 0.0, true}, 3},
        {{kKde, "AnimationDurationFactor", 0, false}, 4},
    };
    for (const auto& [s, count] : announced) {
        put(s.space, s.key, s.value);
        EXPECT_TRUE(waitFor([&] { return changes == count && motion->enabled() == s.reduce; })) << count;
    }
    waitFor([] { return false; }, 100);
    EXPECT_EQ(changes, 4);
}

// Start-up must not wait on a portal that is absent or hung; one that comes later is read.
TEST_F(ReduceMotionTest, AbsentHungOrLatePortalsNeverHoldUpStart)
{
    QElapsedTimer clock;
    clock.start();
    create(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), "lumen-motion-no-bus"));
    EXPECT_FALSE(motion->enabled());
    motion.reset();
    QDBusConnection::disconnectFromBus("lumen-motion-no-bus");
    put(kGnome, "enable-animations", false);
    create(bus->connection());  // the portal is not on the bus yet
    EXPECT_FALSE(motion->enabled());
    EXPECT_LT(clock.elapsed(), 500);
    bus->call(kStandIn, kPath, kSettings, "Claim");
    ASSERT_TRUE(waitFor([&] { return changes == 1; }));
    EXPECT_TRUE(motion->enabled());

    addMethod("ReadOne", "time.sleep(2)\nret = dbus.Boolean(False, variant_level=1)", "ss", "v");
    clock.restart();
    create(bus->connection());
    EXPECT_LT(clock.elapsed(), 500);
    EXPECT_FALSE(motion->enabled());
}

}  // namespace
}  // namespace lumen::app
