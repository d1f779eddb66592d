#include "support/DBusMock.hpp"

#include "services/ReduceMotion.hpp"

#include <QDBusVariant>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace lumen::app {
namespace {

using test::MockBus;
using test::waitFor;

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettings = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGnome = QStringLiteral("org.gnome.desktop.interface");
const QString kAppearance = QStringLiteral("org.freedesktop.appearance");

class ReduceMotionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test::dbusMockAvailable()) GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
        bus = std::make_unique<MockBus>();
        ASSERT_TRUE(bus->ok());
    }

    // A portal under `name` answering ReadOne, or only the older Read (a variant in a variant),
    // from what `put` stored; `put` also announces the change. `Claim` takes the portal's name.
    void startPortal(bool readOne = true, const QString& name = kPortal)
    {
        portalName = name;
        ASSERT_TRUE(bus->start(name, {name, kPath, kSettings}));
        const QString find = "v = getattr(self, 'values', {}).get((args[0], args[1]))\n"
                             "if v is None: raise dbus.exceptions.DBusException('unset', "
                             "name='org.freedesktop.portal.Error.NotFound')\n";
        addMethod(readOne ? "ReadOne" : "Read", "ss", "v",
                  find + (readOne ? "ret = v" : "ret = type(v)(v, variant_level=2)"));
        addMethod("Put", "ssv", "",
                  "self.values = getattr(self, 'values', {})\nself.values[(args[0], args[1])] = args[2]\n"
                  "self.EmitSignal('" + kSettings + "', 'SettingChanged', 'ssv', args)");
        addMethod("Claim", "", "", "self.alias = dbus.service.BusName('" + kPortal + "', self.connection)");
    }

    void addMethod(const QString& method, const QString& in, const QString& out, const QString& code)
    {
        bus->mock(portalName, kPath, "AddMethod", {kSettings, method, in, out, code});
    }

    void put(const QString& space, const QString& key, const QVariant& value)
    {
        bus->call(portalName, kPath, kSettings, "Put", {space, key, QVariant::fromValue(QDBusVariant(value))});
    }

    void create(QDBusConnection connection)
    {
        motion = std::make_unique<ReduceMotion>(ReduceMotion::Options{connection});
        motion->onChange = [this] { ++changes; };
    }

    std::unique_ptr<MockBus> bus;
    QString portalName;
    std::unique_ptr<ReduceMotion> motion;
    int changes = 0;
};

TEST_F(ReduceMotionTest, GnomeAnimationsOffTurnsItOn)
{
    startPortal();
    put(kGnome, "enable-animations", false);
    create(bus->connection());
    EXPECT_TRUE(motion->enabled());
    EXPECT_EQ(changes, 0);
}

TEST_F(ReduceMotionTest, KdeFactorZeroTurnsItOnThroughTheOlderRead)
{
    startPortal(/*readOne=*/false);
    put(kGnome, "enable-animations", true);
    put("org.kde.kdeglobals.KDE", "AnimationDurationFactor", 0.0);
    create(bus->connection());
    EXPECT_TRUE(motion->enabled());
    put("org.kde.kdeglobals.KDE", "AnimationDurationFactor", 0.5);
    ASSERT_TRUE(waitFor([&] { return changes == 1; }));
    EXPECT_FALSE(motion->enabled());
}

TEST_F(ReduceMotionTest, PortalKeyCountsAndUnknownValuesMeanNoPreference)
{
    startPortal();
    put(kAppearance, "reduced-motion", 1u);
    create(bus->connection());
    EXPECT_TRUE(motion->enabled());
    put(kAppearance, "reduced-motion", 7u);
    ASSERT_TRUE(waitFor([&] { return changes == 1; }));
    EXPECT_FALSE(motion->enabled());
}

TEST_F(ReduceMotionTest, SettingChangedFlipsOnceAndUnrelatedOrSameValuesDoNot)
{
    startPortal();
    put(kGnome, "enable-animations", true);
    create(bus->connection());
    EXPECT_FALSE(motion->enabled());
    put(kAppearance, "color-scheme", 1u);
    put(kGnome, "enable-animations", true);
    put(kGnome, "enable-animations", false);
    // Signals arrive in order: once this one is in, the two before it were seen too.
    ASSERT_TRUE(waitFor([&] { return motion->enabled(); }));
    put(kGnome, "enable-animations", false);
    put(kGnome, "enable-animations", true);
    ASSERT_TRUE(waitFor([&] { return !motion->enabled(); }));
    waitFor([] { return false; }, 100);
    EXPECT_EQ(changes, 2);
}

TEST_F(ReduceMotionTest, WrongTypesCountAsOff)
{
    startPortal();
    put(kGnome, "enable-animations", "false");
    put(kAppearance, "reduced-motion", true);
    put("org.kde.kdeglobals.KDE", "AnimationDurationFactor", 0);
    create(bus->connection());
    EXPECT_FALSE(motion->enabled());
    put(kGnome, "enable-animations", false);
    ASSERT_TRUE(waitFor([&] { return changes == 1; }));
    put(kGnome, "enable-animations", 0.0);
    ASSERT_TRUE(waitFor([&] { return changes == 2; }));
    EXPECT_FALSE(motion->enabled());
}

TEST_F(ReduceMotionTest, NoPortalOrNoBusMeansOffWithoutWaiting)
{
    QElapsedTimer clock;
    clock.start();
    create(bus->connection());
    EXPECT_FALSE(motion->enabled());
    create(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), "lumen-motion-no-bus"));
    EXPECT_FALSE(motion->enabled());
    EXPECT_LT(clock.elapsed(), 500);
    motion.reset();
    QDBusConnection::disconnectFromBus("lumen-motion-no-bus");
}

TEST_F(ReduceMotionTest, HungPortalDoesNotHoldUpStart)
{
    startPortal();
    put(kGnome, "enable-animations", false);
    addMethod("ReadOne", "ss", "v", "time.sleep(2)\nret = dbus.Boolean(False, variant_level=1)");
    QElapsedTimer clock;
    clock.start();
    create(bus->connection());
    EXPECT_LT(clock.elapsed(), 500);
    EXPECT_FALSE(motion->enabled());
}

TEST_F(ReduceMotionTest, PortalThatAppearsLaterIsRead)
{
    startPortal(/*readOne=*/true, "org.lumenfall.PortalStandIn");
    put(kGnome, "enable-animations", false);
    create(bus->connection());
    EXPECT_FALSE(motion->enabled());
    bus->call(portalName, kPath, kSettings, "Claim");
    ASSERT_TRUE(waitFor([&] { return changes == 1; }));
    EXPECT_TRUE(motion->enabled());
}

}  // namespace
}  // namespace lumen::app
