#include "platform/wayland/BusIdleTime.hpp"
#include "platform/wayland/MonotonicClock.hpp"
#include "support/DBusMock.hpp"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

using lumen::app::BusIdleTime;
using lumen::app::monotonicSeconds;

const QString kMutter = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString kMutterPath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
const QString kSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");

// A private bus with the session services a case names, each answering with a fixed idle time.
class BusIdleTimeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!lumen::test::dbusMockAvailable()) GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
        bus = std::make_unique<lumen::test::MockBus>();
        ASSERT_TRUE(bus->ok());
    }
    // `code` is the Python body of the method (dbusmock's AddMethod).
    void serve(const QString& service, const QString& path, const QString& method, const QString& type,
               const QString& code)
    {
        ASSERT_TRUE(bus->start(service, {service, path, service}));
        bus->mock(service, path, QStringLiteral("AddMethod"), {QString(), method, QString(), type, code});
    }
    void serveMutter(const QString& code) { serve(kMutter, kMutterPath, "GetIdletime", "t", code); }
    void serveSaver(const QString& code) { serve(kSaver, kSaverPath, "GetSessionIdleTime", "u", code); }
    // Asks until an answer came or the questions ended without one.
    std::optional<double> settle(BusIdleTime& idle)
    {
        idle.idleSeconds(monotonicSeconds());
        lumen::test::waitFor([&] { return !idle.asking(); }, 8000);
        return idle.idleSeconds(monotonicSeconds());
    }
    std::unique_ptr<lumen::test::MockBus> bus;
};

TEST_F(BusIdleTimeTest, MutterFirstThenTheScreenSaverAnsweringInMilliseconds)
{
    using Source = BusIdleTime::Source;
    struct Case {
        bool mutter, saver;
        std::optional<Source> source;
        double seconds;
    } const cases[] = {
        {true, false, Source::mutter, 4.2},
        {false, true, Source::screenSaver, 7.5},
        {true, true, Source::mutter, 4.2},
        {false, false, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mutter " << c.mutter << ", screen saver " << c.saver);
        bus = std::make_unique<lumen::test::MockBus>();
        ASSERT_TRUE(bus->ok());
        if (c.mutter) serveMutter("ret = 4200");
        if (c.saver) serveSaver("ret = 7500");
        BusIdleTime idle(bus->connection());
        const std::optional<double> seconds = settle(idle);
        EXPECT_EQ(idle.source(), c.source);
        ASSERT_EQ(seconds.has_value(), c.source.has_value());
        // Grown by the moments between the answer and the question.
        if (seconds) {
            EXPECT_NEAR(*seconds, c.seconds, 0.5);
        }
    }
}

// A slow service never holds the caller: the old answer, grown, until the new one comes.
TEST_F(BusIdleTimeTest, NeverWaitsForTheBus)
{
    serveMutter("import time\ntime.sleep(2)\nret = 1000");
    BusIdleTime idle(bus->connection());
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(idle.idleSeconds(monotonicSeconds()).has_value());
    EXPECT_LT(clock.elapsed(), 500);
    ASSERT_TRUE(lumen::test::waitFor([&] { return !idle.asking(); }, 8000));
    const double at = monotonicSeconds();
    clock.restart();
    const std::optional<double> grown = idle.idleSeconds(at + 3);
    EXPECT_LT(clock.elapsed(), 500);
    ASSERT_TRUE(grown.has_value());
    EXPECT_NEAR(*grown, 4.0, 0.5);
    EXPECT_TRUE(idle.asking()) << "a stale answer is asked again";
}

}  // namespace
