#include "support/DBusMock.hpp"
#include "support/HeadlessSway.hpp"
#include "support/ProgramLog.hpp"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>


namespace {

using lumen::test::waitForLog;

// The program on a private headless sway of its own per test, as a Wayland session without X11
// runs it: the layer-shell backend, its log on standard error, its performance lines in a file.
class WaylandDesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sway = lumen::test::HeadlessSway::start(reason);
        if (!sway) GTEST_SKIP() << "no headless sway: " << reason;
    }
    void TearDown() override
    {
        if (wallpaper) lumen::test::stopProcess(*wallpaper);
        sway.reset();
    }

    void launch(const QStringList& arguments = {}, const lumen::test::HeadlessSway* compositor = nullptr)
    {
        wallpaper = std::make_unique<QProcess>();
        QProcessEnvironment environment = (compositor ? compositor : sway.get())->environment();
        environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
        environment.insert("XDG_CACHE_HOME", home.filePath("cache"));
        environment.insert("LIBGL_ALWAYS_SOFTWARE", "1");
        environment.insert("LUMENFALL_LOG_STDERR", "1");
        wallpaper->setProcessEnvironment(environment);
        wallpaper->start(LUMENFALL_PROGRAM, QStringList{"-welcomed", "YES", "-animateInSoftware", "YES", "-scene",
                                                        "cozyLibrary", "-desktopBackend", "wayland"} +
                                                arguments);
    }
    bool logSays(const QString& text, int limitMs = 60000) { return waitForLog(*wallpaper, log, text, limitMs); }
    // The display id the log gave the output of this size ("display 41 added (640×360 pt").
    QString displayOfSize(const QString& size) const
    {
        const auto match = QRegularExpression("display (\\d+) added \\(" + size + " pt").match(log);
        return match.hasMatch() ? match.captured(1) : QString();
    }
    // Both outputs animate: their surfaces were made and drawn.
    void waitUntilBothAnimate()
    {
        ASSERT_TRUE(logSays("display 0: Animating")) << log.toStdString();
        ASSERT_TRUE(logSays("display 1: Animating")) << log.toStdString();
    }
    // A fullscreen terminal on that output.
    QProcess& cover(const QString& output, const QString& appId)
    {
        sway->command("focus output " + output);
        return sway->startClient("foot", {"--app-id=" + appId, "--fullscreen"});
    }
    // The output shows a picture of the scene: not one colour, and not sway's empty grey.
    static bool showsScene(const QImage& shot)
    {
        if (shot.isNull()) return false;
        const QRgb grey = qRgb(63, 63, 63);
        int differing = 0;
        for (int y = 0; y < shot.height(); y += 16) {
            for (int x = 0; x < shot.width(); x += 16) differing += (shot.pixel(x, y) & 0xFFFFFF) != (grey & 0xFFFFFF);
        }
        return differing > (shot.width() / 16) * (shot.height() / 16) / 2 && shot.pixel(0, 0) != shot.pixel(shot.width() / 2, shot.height() / 2);
    }
    bool animates(const QString& output)
    {
        return lumen::test::animates([&] { return sway->screenshot(output); });
    }
    QStringList perfLines() const { return lumen::test::perfLines(home.filePath("cache/Lumenfall-perf.log")); }

    std::unique_ptr<lumen::test::HeadlessSway> sway;
    std::string reason;
    std::unique_ptr<QProcess> wallpaper;
    QString log;
    QTemporaryDir home;
};

// Each output gets a background surface drawn with the scene, and a fullscreen window pauses the
// output it is on and only that one, until it closes.
TEST_F(WaylandDesktopTest, AFullscreenWindowPausesOnlyItsOutput)
{
    launch();
    ASSERT_TRUE(logSays("desktop: Wayland layer shell on " + sway->waylandDisplay())) << log.toStdString();
    waitUntilBothAnimate();
    // The first frames may take a while on llvmpipe.
    QImage first, second;
    lumen::test::waitFor([&] {
        first = sway->screenshot("HEADLESS-1");
        second = sway->screenshot("HEADLESS-2");
        return showsScene(first) && showsScene(second);
    }, std::chrono::seconds(30));
    EXPECT_EQ(first.size(), QSize(640, 360));
    EXPECT_EQ(second.size(), QSize(512, 384));
    EXPECT_TRUE(showsScene(first)) << "HEADLESS-1";
    EXPECT_TRUE(showsScene(second)) << "HEADLESS-2";

    const QString covered = displayOfSize("640×360");
    ASSERT_FALSE(covered.isEmpty()) << log.toStdString();
    QProcess& terminal = cover("HEADLESS-1", "cover");
    ASSERT_TRUE(logSays("occlusion display " + covered + ": covered")) << log.toStdString();
    ASSERT_TRUE(logSays("display 0: Paused while covered")) << log.toStdString();
    EXPECT_TRUE(animates("HEADLESS-2")) << "the other output keeps moving";
    EXPECT_FALSE(log.contains("display 1: Paused")) << log.toStdString();

    // On another workspace the toplevel list still says fullscreen; the frames say what is seen.
    log.clear();
    ASSERT_TRUE(sway->command("workspace 9"));
    EXPECT_TRUE(logSays("display 0: Animating")) << log.toStdString();
    log.clear();
    // Back to the terminal's workspace, whichever number the output was given.
    ASSERT_TRUE(sway->command("workspace back_and_forth"));
    EXPECT_TRUE(logSays("display 0: Paused while covered")) << log.toStdString();

    log.clear();
    lumen::test::stopProcess(terminal);
    EXPECT_TRUE(logSays("occlusion display " + covered + ": visible")) << log.toStdString();
    EXPECT_TRUE(logSays("display 0: Animating")) << log.toStdString();
}

// Both outputs covered: the frame loop sleeps; not one tick nor command buffer in a whole
// performance line, and the process hardly wakes up.
TEST_F(WaylandDesktopTest, NothingRunsWhileEveryOutputIsCovered)
{
    launch({"-perfLog", "YES"});
    waitUntilBothAnimate();
    cover("HEADLESS-1", "first");
    ASSERT_TRUE(logSays("display 0: Paused while covered")) << log.toStdString();
    cover("HEADLESS-2", "second");
    ASSERT_TRUE(logSays("display 1: Paused while covered")) << log.toStdString();

    // The second performance line from now covers ten seconds wholly under the terminals.
    const qsizetype lines = perfLines().size();
    auto switches = [&] {
        QFile status(QString("/proc/%1/status").arg(wallpaper->processId()));
        if (!status.open(QIODevice::ReadOnly)) return -1LL;
        long long total = 0;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.contains("ctxt_switches")) total += line.split(':').last().trimmed().toLongLong();
        }
        return total;
    };
    ASSERT_TRUE(lumen::test::waitFor([&] { return perfLines().size() >= lines + 1; }, std::chrono::seconds(25)));
    const long long before = switches();
    ASSERT_TRUE(lumen::test::waitFor([&] { return perfLines().size() >= lines + 2; }, std::chrono::seconds(25)));
    const long long after = switches();
    const QString paused = perfLines().last();
    EXPECT_TRUE(paused.contains("\"ticks\":0,") && paused.contains("\"commandBuffers\":0,")) << paused.toStdString();
    // Wake-ups of the whole process (all its threads) per second while paused.
    const double perSecond = (after - before) / 10.0;
    RecordProperty("pausedContextSwitchesPerSecond", std::to_string(perSecond));
    std::printf("paused: %.1f context switches per second\n", perSecond);
    EXPECT_LT(perSecond, 5.0);
}

// An output added while running gets its own surface with the scene.
TEST_F(WaylandDesktopTest, AnOutputAddedAtRunTimeGetsASurface)
{
    launch();
    waitUntilBothAnimate();
    ASSERT_TRUE(sway->command("create_output"));
    ASSERT_TRUE(logSays("display 2: Animating")) << log.toStdString();
    ASSERT_TRUE(sway->command("output HEADLESS-3 mode 320x240"));
    EXPECT_TRUE(logSays("resized to")) << log.toStdString();
    EXPECT_TRUE(lumen::test::waitFor([&] { return showsScene(sway->screenshot("HEADLESS-3")); }, std::chrono::seconds(30)));
}

// An output unplugged while running (a nested sway's output window closed) loses its surface;
// the program goes on drawing the other.
TEST_F(WaylandDesktopTest, AnUnpluggedOutputLosesItsSurface)
{
    std::string why;
    auto inner = sway->nested(why);
    if (!inner) GTEST_SKIP() << "no nested sway: " << why;
    launch({}, inner.get());
    waitUntilBothAnimate();
    const QString gone = displayOfSize("512×384");
    ASSERT_FALSE(gone.isEmpty()) << log.toStdString();
    ASSERT_TRUE(inner->unplugOutput("WL-2"));
    EXPECT_TRUE(logSays("display " + gone + " removed")) << log.toStdString();
    EXPECT_TRUE(lumen::test::animates([&] { return inner->screenshot("WL-1"); }));
    EXPECT_EQ(wallpaper->state(), QProcess::Running) << log.toStdString();
    lumen::test::stopProcess(*wallpaper);
}

// Without X11, Qt's own windows go to the compositor: the tray icon registers with the session's
// watcher (dbusmock's), and a second launch opens the settings as a toplevel of ours.
TEST_F(WaylandDesktopTest, TrayAndSettingsShowThroughQtsWaylandPlatform)
{
    if (!lumen::test::dbusMockAvailable()) GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
    lumen::test::MockBus bus;
    const QString watcher = "org.kde.StatusNotifierWatcher", path = "/StatusNotifierWatcher";
    ASSERT_TRUE(bus.ok() && bus.start(watcher, {"--session", watcher, path, watcher}));
    bus.mock(watcher, path, "AddMethod", {"", "RegisterStatusNotifierItem", "s", "", ""});
    bus.mock(watcher, path, "AddProperty", {watcher, "IsStatusNotifierHostRegistered", QVariant::fromValue(QDBusVariant(true))});
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
    launch();
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    waitUntilBothAnimate();
    EXPECT_TRUE(lumen::test::waitFor([&] {
        const auto calls = bus.mock(watcher, path, "GetMethodCalls", {"RegisterStatusNotifierItem"}).arguments();
        if (calls.isEmpty()) return false;
        const auto list = calls.front().value<QDBusArgument>();
        list.beginArray();
        return !list.atEnd();
    }, 20000)) << log.toStdString();
    QProcess second;
    second.setProcessEnvironment(wallpaper->processEnvironment());
    second.start(LUMENFALL_PROGRAM, QStringList{});
    ASSERT_TRUE(second.waitForFinished(30000) && second.exitCode() == 0);
    EXPECT_TRUE(lumen::test::waitFor([&] {
        return sway->query("get_tree").value_or("").contains(QRegularExpression("\"app_id\":\\s*\"com.quorl802.Lumenfall\""));
    }, 20000)) << log.toStdString();
}

// The compositor going away ends the program with a message, not a hang.
TEST_F(WaylandDesktopTest, TheCompositorGoingAwayEndsTheProgram)
{
    launch();
    waitUntilBothAnimate();
    sway->kill();
    ASSERT_TRUE(wallpaper->waitForFinished(20000)) << "still running after its compositor went";
    log += QString::fromUtf8(wallpaper->readAllStandardError());
    EXPECT_EQ(wallpaper->exitCode(), 1);
    // Qt's windows share the compositor: whichever connection notices first ends the program,
    // ours with its log line, Qt's Wayland platform with its own warning.
    EXPECT_TRUE(log.contains("the Wayland compositor went away") ||
                log.contains("The Wayland connection broke"))
        << log.toStdString();
}

}  // namespace
