#include "platform/wayland/BusIdleTime.hpp"
#include "platform/wayland/MonotonicClock.hpp"
#include "support/DBusMock.hpp"

#include <QElapsedTimer>

namespace {

using lumen::app::BusIdleTime;

// Per case a private bus whose services answer through dbusmock method bodies; Mutter's may be slow.
TEST(BusIdleTime, MutterFirstThenTheScreenSaverAndNeverWaiting)
{
    if (!lumen::test::dbusMockAvailable()) GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
    const QString services[2][4] = {
        {"org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core", "GetIdletime", "t"},
        {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", "GetSessionIdleTime", "u"}};
    const struct { QString bodies[2]; std::optional<BusIdleTime::Source> source; double seconds; } cases[] = {
        {{"import time\ntime.sleep(2)\nret = 4200", "ret = 7500"}, BusIdleTime::Source::mutter, 4.2},
        {{"", "ret = 7500"}, BusIdleTime::Source::screenSaver, 7.5},
        {{"", ""}, std::nullopt, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        lumen::test::MockBus bus;
        for (int i = 0; i < 2; ++i) {
            if (c.bodies[i].isEmpty()) continue;
            ASSERT_TRUE(bus.start(services[i][0], {services[i][0], services[i][1], services[i][0]}));
            bus.mock(services[i][0], services[i][1], "AddMethod", {"", services[i][2], "", services[i][3], c.bodies[i]});
        }
        BusIdleTime idle(bus.connection());
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(idle.idleSeconds(lumen::app::monotonicSeconds()));
        EXPECT_LT(clock.elapsed(), 500) << "asked without waiting";
        ASSERT_TRUE(lumen::test::waitFor([&] { return !idle.asking(); }, 8000));
        // Three seconds on, the answer has grown by them and is asked again.
        const auto seconds = idle.idleSeconds(lumen::app::monotonicSeconds() + 3);
        EXPECT_EQ(idle.source(), c.source);
        ASSERT_EQ(seconds.has_value(), c.source.has_value());
        if (seconds) {
            EXPECT_NEAR(*seconds, c.seconds + 3, 0.5);
            EXPECT_TRUE(idle.asking());
        }
    }
}

}  // namespace
