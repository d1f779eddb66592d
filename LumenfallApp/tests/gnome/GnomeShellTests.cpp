#include "support/GnomeShell.hpp"
#include "support/ProgramLog.hpp"
#include "support/X11TestClient.hpp"

#include <QCoreApplication>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>


namespace {

using lumen::test::waitForLog;

// The wallpaper on GNOME, where users of Debian and Ubuntu meet it: a headless GNOME Shell 43 with
// Xwayland, shared by the suite (it takes seconds to start).
class GnomeShellTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "LumenGnomeTests";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
        shell = lumen::test::GnomeShell::start(reason, LUMENFALL_GNOME_EXTENSION);
    }
    static void TearDownTestSuite() { shell.reset(); }
    void SetUp() override
    {
        if (!shell) GTEST_SKIP() << "no headless GNOME Shell: " << reason;
    }

    std::unique_ptr<QProcess> launch(const QStringList& arguments)
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = shell->environment();
        environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
        environment.insert("XDG_CACHE_HOME", home.filePath("cache"));
        environment.insert("LIBGL_ALWAYS_SOFTWARE", "1");
        environment.insert("LUMENFALL_LOG_STDERR", "1");
        process->setProcessEnvironment(environment);
        process->start(LUMENFALL_PROGRAM, arguments);
        return process;
    }

    // The wallpaper window's picture, as Xwayland holds it.
    QImage wallpaperShot()
    {
        const auto tree = shell->output("xwininfo", {"-root", "-tree"});
        if (!tree) return {};
        const auto line = tree->split('\n').filter("\"Lumenfall wallpaper\"");
        if (line.isEmpty()) return {};
        const QString file = home.filePath("shot.png");
        if (!shell->output("import", {"-window", line.front().trimmed().section(' ', 0, 0), file})) return {};
        return QImage(file);
    }

    bool animates() { return lumen::test::animates([this] { return wallpaperShot(); }); }
    QStringList perfLines() const { return lumen::test::perfLines(home.filePath("cache/Lumenfall-perf.log")); }

    // A call to the extension on the shell's session bus; its answer, none when it failed.
    std::optional<QString> callExtension(const QString& method, const QStringList& arguments = {})
    {
        return shell->output("gdbus", QStringList{"call", "--session", "--dest", "com.quorl802.Lumenfall.Shell",
                                                  "--object-path", "/com/quorl802/Lumenfall/Shell", "--method",
                                                  "com.quorl802.Lumenfall.Shell." + method} +
                                          arguments);
    }

    // A call to the shell itself; methods named relative to org.gnome.Shell unless `interface` says.
    std::optional<QString> callShell(const QString& method, const QStringList& arguments,
                                     const QString& interface = "org.gnome.Shell.")
    {
        return shell->output("gdbus", QStringList{"call", "--session", "--dest", "org.gnome.Shell", "--object-path",
                                                  "/org/gnome/Shell", "--method", interface + method} +
                                          arguments);
    }

    static inline std::unique_ptr<lumen::test::GnomeShell> shell;
    static inline std::string reason;
    QTemporaryDir home;
};

// A fullscreen window on workspace 1 hides the wallpaper there only; a maximised window under
// GNOME's top bar hides it too, although the bar's rows are not the window's.
TEST_F(GnomeShellTest, TheWallpaperFollowsTheWorkspaceAndTheTopBar)
{
    auto wallpaper = launch({"-welcomed", "YES", "-animateInSoftware", "YES", "-scene", "cozyLibrary"});
    QString log;
    const QString moving = "display 0: Animating", covered = "display 0: Paused while covered";
    ASSERT_TRUE(waitForLog(*wallpaper, log, moving)) << log.toStdString();
    EXPECT_TRUE(animates());

    qputenv("XAUTHORITY", shell->environment().value("XAUTHORITY").toUtf8());
    lumen::test::X11TestClient client(shell->display());
    ASSERT_TRUE(client.ok());
    const xcb_window_t fullscreen = client.makeWindow({100, 100, 400, 300});
    client.requestFullscreen(fullscreen);
    ASSERT_TRUE(waitForLog(*wallpaper, log, covered)) << log.toStdString();

    auto switchTo = [&](int workspace, const QString& expected) {
        log.clear();
        ASSERT_TRUE(shell->output("wmctrl", {"-s", QString::number(workspace)}));
        ASSERT_TRUE(waitForLog(*wallpaper, log, expected)) << workspace << ": " << log.toStdString();
    };
    switchTo(1, moving);
    EXPECT_TRUE(animates()) << "workspace 2 shows the wallpaper, moving";
    switchTo(0, covered);

    log.clear();
    xcb_destroy_window(client.connection(), fullscreen);
    xcb_flush(client.connection());
    ASSERT_TRUE(waitForLog(*wallpaper, log, moving)) << log.toStdString();
    const xcb_window_t maximised = client.makeWindow({100, 100, 400, 300});
    log.clear();
    ASSERT_TRUE(shell->output("wmctrl", {"-i", "-r", QString::number(maximised), "-b", "add,maximized_vert,maximized_horz"}));
    EXPECT_TRUE(waitForLog(*wallpaper, log, covered)) << log.toStdString();

    wallpaper->terminate();
    wallpaper->waitForFinished(20000);
}

// With the extension enabled the wallpaper follows it: a native Wayland window in full screen and
// the overview, which X11 never sees, pause it (not one tick of its frame loop in ten seconds),
// and the menu in the top bar reaches it.
TEST_F(GnomeShellTest, TheExtensionShowsWhatXwaylandCannot)
{
    // A shell fresh from its start-up may take the switch without acting on it (the extension stays
    // initialised, state 6): asked again until the extension answers.
    const QString uuid = "lumenfall@quorl802.com";
    ASSERT_TRUE(lumen::test::waitFor(
        [&] {
            if (callExtension("GetState")) return true;
            if (callShell("Extensions.GetExtensionInfo", {uuid}).value_or("").contains("'state': <6.0>")) {
                callShell("Extensions.EnableExtension", {uuid});
            }
            std::this_thread::sleep_for(std::chrono::seconds(1));
            return false;
        },
        std::chrono::seconds(60)))
        << "the extension never came up: "
        << callShell("Extensions.GetExtensionInfo", {uuid}).value_or("no answer").toStdString()
        << shell->log().right(1500).toStdString();

    auto wallpaper =
        launch({"-welcomed", "YES", "-animateInSoftware", "YES", "-scene", "cozyLibrary", "-perfLog", "YES"});
    QString log;
    const QString moving = "display 0: Animating", covered = "display 0: Paused while covered";
    ASSERT_TRUE(waitForLog(*wallpaper, log, "occlusion: following GNOME Shell's Lumenfall extension")) << log.toStdString();
    ASSERT_TRUE(waitForLog(*wallpaper, log, moving)) << callExtension("GetState").value_or("").toStdString();

    QProcess terminal;
    terminal.setProcessEnvironment(shell->environment());
    terminal.start("foot", {"--fullscreen"});
    ASSERT_TRUE(waitForLog(*wallpaper, log, covered)) << log.toStdString();
    // The second performance line from now covers ten seconds wholly under the terminal.
    const qsizetype lines = perfLines().size();
    ASSERT_TRUE(lumen::test::waitFor([&] { return perfLines().size() >= lines + 2; }, std::chrono::seconds(40)));
    const QString paused = perfLines().last();
    EXPECT_TRUE(paused.contains("\"ticks\":0,") && paused.contains("\"commandBuffers\":0,")) << paused.toStdString();
    lumen::test::stopProcess(terminal);
    log.clear();
    ASSERT_TRUE(waitForLog(*wallpaper, log, moving)) << log.toStdString();

    auto overview = [&](const char* on) {
        return callShell("org.freedesktop.DBus.Properties.Set", {"org.gnome.Shell", "OverviewActive", on}, "");
    };
    log.clear();
    ASSERT_TRUE(overview("<true>"));
    EXPECT_TRUE(waitForLog(*wallpaper, log, covered)) << log.toStdString();
    ASSERT_TRUE(overview("<false>"));
    EXPECT_TRUE(waitForLog(*wallpaper, log, moving)) << log.toStdString();

    log.clear();
    EXPECT_EQ(callExtension("ActivateMenuItem", {"Scene/Nebula Flythrough"}).value_or("").trimmed(), "(true,)");
    EXPECT_TRUE(waitForLog(*wallpaper, log, "scene: nebulaFlythrough")) << log.toStdString();

    wallpaper->terminate();
    wallpaper->waitForFinished(20000);
}

}  // namespace
