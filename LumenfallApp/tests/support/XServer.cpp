#include "support/XServer.hpp"

#include "support/X11TestClient.hpp"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <cstdlib>
#include <unistd.h>

namespace lumen::test {

namespace {

using Clock = std::chrono::steady_clock;

// The window manager is ready once it manages a window mapped after it started: a probe window is
// mapped (again, in case a request came too early in its start-up) until it is in the stacking list.
bool managesNewWindows(const std::string& display, Clock::time_point deadline)
{
    X11TestClient client(display);
    if (!client.ok()) return false;
    const xcb_window_t probe = client.makeWindow({0, 0, 10, 10});
    auto listed = [&] {
        const auto list = client.cardinals(client.root(), "_NET_CLIENT_LIST_STACKING");
        return std::find(list.begin(), list.end(), probe) != list.end();
    };
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

}  // namespace

void stopProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
    }
}

bool haveProgram(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::unique_ptr<XServer> XServer::start(std::string& reason, const std::string& size)
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

XServer::~XServer()
{
    stopProcess(windowManager_);
    stopProcess(server_);
}

bool XServer::startWindowManager()
{
    if (!haveProgram("openbox")) return false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", QString::fromStdString(display_));
    windowManager_.setProcessEnvironment(environment);
    windowManager_.setStandardOutputFile(QProcess::nullDevice());
    windowManager_.setStandardErrorFile(QProcess::nullDevice());
    windowManager_.start("openbox", {"--sm-disable"});
    return managesNewWindows(display_, Clock::now() + std::chrono::seconds(30));
}

bool XServer::run(const std::string& command) const
{
    return std::system(("DISPLAY=" + display_ + " " + command + " >/dev/null 2>&1").c_str()) == 0;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() >= deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        usleep(5000);
    }
    return true;
}

}  // namespace lumen::test
