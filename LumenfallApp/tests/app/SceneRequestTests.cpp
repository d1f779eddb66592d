// A later `lumenfall -scene <id>` hands the scene to the wallpaper already running on the display.

#include "support/XServer.hpp"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// The program on `display` with its own configuration and cache, its event log on standard error.
std::unique_ptr<QProcess> launch(const std::string& display, const QString& home, const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", QString::fromStdString(display));
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("XDG_CONFIG_HOME", home + "/config");
    environment.insert("XDG_CACHE_HOME", home + "/cache");
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

// Reads the process's standard error into `log` until it holds `text` or the time is up.
bool waitForLog(QProcess& process, QString& log, const QString& text, int milliseconds = 90000) {
    QElapsedTimer timer;
    timer.start();
    while (!log.contains(text) && timer.elapsed() < milliseconds) {
        if (!process.waitForReadyRead(200) && process.state() == QProcess::NotRunning) break;
        log += QString::fromUtf8(process.readAllStandardError());
    }
    log += QString::fromUtf8(process.readAllStandardError());
    return log.contains(text);
}

TEST(SceneRequest, ALaterLaunchSwitchesTheRunningSceneAndUnknownOnesAreRefused) {
    static int argc = 1;
    static char name[] = "LumenfallCommandTests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);  // QProcess wants one; never freed
    std::string reason;
    auto server = lumen::test::XServer::start(reason, "320x240");
    if (!server) GTEST_SKIP() << reason;
    QTemporaryDir home;
    auto first = launch(server->display(), home.path(), {"-simulateCovered", "YES"});
    QString log;
    ASSERT_TRUE(waitForLog(*first, log, "started: 1 display(s), scene deepReef")) << log.toStdString();
    log = log.mid(log.indexOf("started: "));

    // Each row: what a later launch asks for, and what the running wallpaper logs then, in order.
    const std::pair<std::string, std::vector<std::string>> rows[] = {
        {"nebulaFlythrough", {"another launch asked for scene nebulaFlythrough", "scene: nebulaFlythrough"}},
        {"noSuchScene", {"another launch asked for scene \"noSuchScene\", which is not a scene; still showing "
                         "nebulaFlythrough"}},
        {"alpineLake", {"another launch asked for scene \"alpineLake\", which is not built into this program; "
                        "still showing nebulaFlythrough"}},
        {std::string(300, 'x'), {"single instance: a request longer than 256 bytes; dropped"}},
        {"deepReef", {"another launch asked for scene deepReef", "scene: deepReef"}},
    };
    for (const auto& [scene, expected] : rows) {
        auto later = launch(server->display(), home.path(), {"-scene", QString::fromStdString(scene)});
        ASSERT_TRUE(later->waitForFinished(30000)) << scene;
        EXPECT_EQ(later->exitCode(), 0) << scene;
        for (const auto& line : expected) {
            const QString text = QString::fromStdString(line);
            ASSERT_TRUE(waitForLog(*first, log, text)) << line << "\n" << log.toStdString();
            // Scenes load only where a row expects it.
            EXPECT_FALSE(log.left(log.indexOf(text)).contains("lumenfall: scene: ")) << line << "\n" << log.toStdString();
            log = log.mid(log.indexOf(text) + text.size());
        }
    }
    EXPECT_EQ(first->state(), QProcess::Running);

    ::kill(static_cast<pid_t>(first->processId()), SIGTERM);
    ASSERT_TRUE(waitForLog(*first, log, "stopped")) << log.toStdString();
    ASSERT_TRUE(first->waitForFinished(10000) || first->state() == QProcess::NotRunning);
    EXPECT_EQ(first->exitCode(), 0);
}

}  // namespace
