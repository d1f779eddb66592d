#include "app/SingleInstance.hpp"
#include "support/ProgramLog.hpp"
#include "support/XServer.hpp"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

namespace {

using lumen::test::waitForLog;

// The wallpaper program on a private Xvfb with two monitors, without buses, and with its own
// configuration and cache folders; its event log is read from standard error.
class WallpaperProcess : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // QProcess wants an application object; this binary's main is GoogleTest's. Never destroyed:
        // among the static destructors it would outlive Qt's own.
        static int argc = 1;
        static char name[] = "LumenfallCommandTests";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
        server = lumen::test::XServer::start(reason, "640x240");
        const char* monitors = "--setmonitor LEFT 320/85x240/64+0+0 screen --setmonitor RIGHT 320/85x240/64+320+0 none";
        if (server && !server->run(std::string("xrandr ") + monitors)) server.reset();
    }
    static void TearDownTestSuite() { server.reset(); }
    void SetUp() override { if (!server) GTEST_SKIP() << "no Xvfb with two monitors: " << reason; }

    std::unique_ptr<QProcess> launch(const QStringList& arguments, const std::string& displaySuffix = {}) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", QString::fromStdString(server->display() + displaySuffix));
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
        environment.insert("XDG_CACHE_HOME", home.filePath("cache"));
        environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/session");
        environment.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system");
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("LIBGL_ALWAYS_SOFTWARE", "1");
        environment.insert("LUMENFALL_LOG_STDERR", "1");
        environment.insert("LSAN_OPTIONS", "detect_leaks=0");
        process->setProcessEnvironment(environment);
        process->start(LUMENFALL_PROGRAM, arguments);
        return process;
    }

    static inline std::unique_ptr<lumen::test::XServer> server;
    static inline std::string reason;
    QTemporaryDir home;
};

// Whether SIGINT, SIGTERM and SIGHUP all have handlers in process `pid` now.
bool catchesQuitSignals(qint64 pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line) && !line.starts_with("SigCgt:")) {}
    const unsigned long long caught = line.empty() ? 0 : std::stoull(line.substr(7), nullptr, 16);
    const unsigned long long wanted = (1ull << (SIGINT - 1)) | (1ull << (SIGTERM - 1)) | (1ull << (SIGHUP - 1));
    return (caught & wanted) == wanted;
}

// Each row stops the wallpaper one way: -quitAfter; a signal while it starts (the handlers are in
// place before it writes a word, long before the start is done); a signal once it runs.
TEST_F(WallpaperProcess, StopsInOrderHoweverAsked) {
    for (const auto& [signal, whileStarting] : {std::pair{0, false}, {SIGTERM, true}, {SIGHUP, false}}) {
        SCOPED_TRACE(signal);
        auto process = launch(signal == 0 ? QStringList{"-quitAfter", "1", "-simulateCovered", "YES"}
                                          : QStringList{"-simulateCovered", "YES"});
        ASSERT_TRUE(process->waitForStarted());
        QString log;
        for (int i = 0; whileStarting && !catchesQuitSignals(process->processId()) && log.isEmpty() && i < 5000; ++i) {
            process->waitForReadyRead(2);
            log += QString::fromUtf8(process->readAllStandardError());
        }
        ASSERT_TRUE(whileStarting ? catchesQuitSignals(process->processId()) : waitForLog(*process, log, "started: "));
        if (signal != 0) ::kill(static_cast<pid_t>(process->processId()), signal);
        ASSERT_TRUE(waitForLog(*process, log, "stopped")) << log.toStdString();
        ASSERT_TRUE(process->waitForFinished(30000) || process->state() == QProcess::NotRunning);
        EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process->exitCode(), 0);
        EXPECT_TRUE(log.contains(signal == 0 ? "started: 2 display(s), scene deepReef"
                                             : QString("quitting on signal %1").arg(signal))) << log.toStdString();
    }
}

// A later launch on the same display, however spelt, leaves the running wallpaper the only one and
// hands it what it asks for. Each row: the later launch's switches, and what the running wallpaper
// logs then, in order; a scene loads only where a row says so.
TEST_F(WallpaperProcess, ALaterLaunchHandsItsRequestToTheRunningWallpaper) {
    auto first = launch({"-simulateCovered", "YES"});
    QString log;
    ASSERT_TRUE(waitForLog(*first, log, "started: 2 display(s), scene deepReef")) << log.toStdString();
    // A first launch welcomes the user with the settings window.
    ASSERT_TRUE(waitForLog(*first, log, "settings window: first launch")) << log.toStdString();
    log = log.mid(log.indexOf("settings window: first launch"));
    const QString still = "still showing nebulaFlythrough";
    const std::pair<QStringList, QStringList> rows[] = {
        {{}, {"another launch asked: activate", "settings window: opened"}},
        {{"--settings"}, {"settings window: opened"}},
        {{"-scene", "nebulaFlythrough"}, {"another launch asked for scene nebulaFlythrough", "scene: nebulaFlythrough"}},
        {{"-scene", "noSuchScene"}, {"another launch asked for scene \"noSuchScene\", which is not a scene; " + still}},
        {{"-scene", QString(300, 'x')}, {"single instance: a request longer than 256 bytes; dropped"}},
        {{"-scene", "deepReef"}, {"another launch asked for scene deepReef", "scene: deepReef"}},
    };
    for (const auto& [arguments, said] : rows) {
        auto later = launch(arguments, ".0");
        ASSERT_TRUE(later->waitForFinished(30000) || later->state() == QProcess::NotRunning);
        EXPECT_EQ(later->exitCode(), 0);
        EXPECT_TRUE(QString::fromUtf8(later->readAllStandardError()).contains("already running"));
        for (const QString& text : said) {
            ASSERT_TRUE(waitForLog(*first, log, text)) << text.toStdString() << "\n" << log.toStdString();
            EXPECT_FALSE(log.left(log.indexOf(text)).contains("lumenfall: scene: ")) << text.toStdString();
            log = log.mid(log.indexOf(text) + text.size());
        }
    }
    ::kill(static_cast<pid_t>(first->processId()), SIGTERM);
    EXPECT_TRUE(waitForLog(*first, log, "stopped")) << log.toStdString();
}

TEST(WallpaperProcessAlone, OneInstanceKeyPerUserAndDisplayHoweverItIsSpelt) {
    const auto keyFor = [](const char* d) { ::setenv("DISPLAY", d, 1); return lumen::app::SingleInstance::serverName(); };
    const std::string key = keyFor(":57");
    for (const char* same : {":57.0", "unix:57", "unix/:57.1"}) EXPECT_EQ(keyFor(same), key) << same;
    for (const char* other : {":58", "otherhost:57"}) EXPECT_NE(keyFor(other), key) << other;
    EXPECT_NE(key.find("-" + std::to_string(::getuid()) + "-"), std::string::npos) << key;
}

}  // namespace
