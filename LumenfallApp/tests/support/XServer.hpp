#pragma once

#include "support/X11TestClient.hpp"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace lumen::test {

// Ends a child: TERM, then KILL after 5 s.
inline void stopProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
    }
}

// Whether a program is on the PATH.
inline bool haveProgram(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a program with that environment; its standard output, or none when it fails.
inline std::optional<QString> commandOutput(const QProcessEnvironment& environment, const QString& program,
                                            const QStringList& arguments)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Runs Qt's event loop until the condition holds or the time is up; returns the condition.
// The limit only matters on failure: a slow, busy machine still gets there.
inline bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() >= deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        usleep(5000);
    }
    return true;
}

// A private Xvfb (1920x1080 unless asked otherwise, one RandR output), optionally with openbox on
// it; both are stopped when it goes. Needs a QCoreApplication.
class XServer {
    using Clock = std::chrono::steady_clock;

public:
    // Null, with the reason, when Xvfb is not installed or does not come up.
    static std::unique_ptr<XServer> start(std::string& reason, const std::string& size = "1920x1080")
    {
        if (!haveProgram("Xvfb")) {
            reason = "Xvfb is not installed";
            return nullptr;
        }
        // -displayfd: the server picks a free display number and writes it once it accepts clients.
        std::unique_ptr<XServer> server(new XServer);
        QProcess& xvfb = server->server_;
        xvfb.setStandardErrorFile(QProcess::nullDevice());
        xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", QString::fromStdString(size + "x24"), "-noreset",
                            "-nolisten", "tcp"});
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (!xvfb.canReadLine() && xvfb.state() != QProcess::NotRunning && Clock::now() < deadline) {
            xvfb.waitForReadyRead(100);
        }
        const QByteArray number = xvfb.readLine().trimmed();
        if (number.isEmpty()) {
            reason = "Xvfb did not start";
            return nullptr;
        }
        server->display_ = ":" + number.toStdString();
        return server;
    }
    ~XServer()
    {
        stopProcess(windowManager_);
        stopProcess(server_);
    }

    const std::string& display() const { return display_; }

    // Starts openbox and waits until it manages the screen: a probe window mapped after its start
    // (again, in case a request came too early in its start-up) is in the stacking list.
    bool startWindowManager()
    {
        if (!haveProgram("openbox")) return false;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", QString::fromStdString(display_));
        windowManager_.setProcessEnvironment(environment);
        windowManager_.setStandardOutputFile(QProcess::nullDevice());
        windowManager_.setStandardErrorFile(QProcess::nullDevice());
        windowManager_.start("openbox", {"--sm-disable"});
        X11TestClient client(display_);
        if (!client.ok()) return false;
        const xcb_window_t probe = client.makeWindow({0, 0, 10, 10});
        auto listed = [&] {
            const auto list = client.cardinals(client.root(), "_NET_CLIENT_LIST_STACKING");
            return std::find(list.begin(), list.end(), probe) != list.end();
        };
        const auto deadline = Clock::now() + std::chrono::seconds(30);
        bool managed = false;
        while (!managed && Clock::now() < deadline) {
            const auto retry = std::min(deadline, Clock::now() + std::chrono::seconds(1));
            while (!(managed = listed()) && Clock::now() < retry) usleep(20000);
            if (managed) break;
            xcb_unmap_window(client.connection(), probe);
            xcb_map_window(client.connection(), probe);
            xcb_flush(client.connection());
        }
        xcb_destroy_window(client.connection(), probe);
        xcb_flush(client.connection());
        // Gone from the list before the test starts looking at it.
        while (managed && listed() && Clock::now() < deadline) usleep(20000);
        return managed;
    }

    // Runs a shell command against this display; true when it exits with 0.
    bool run(const std::string& command) const
    {
        return std::system(("DISPLAY=" + display_ + " " + command + " >/dev/null 2>&1").c_str()) == 0;
    }

private:
    XServer() = default;

    std::string display_;
    QProcess server_;
    QProcess windowManager_;
};

}  // namespace lumen::test
