#include "support/XServer.hpp"

#include <QCoreApplication>
#include <QEventLoop>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace lumen::test {

namespace {

using Clock = std::chrono::steady_clock;

void stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
    }
}

xcb_atom_t intern(xcb_connection_t* c, const char* name)
{
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
                                        nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

bool listed(xcb_connection_t* c, xcb_window_t root, xcb_atom_t list, xcb_window_t window)
{
    auto* reply = xcb_get_property_reply(c, xcb_get_property(c, 0, root, list, XCB_ATOM_WINDOW, 0, 4096), nullptr);
    bool found = false;
    if (reply != nullptr && reply->format == 32) {
        const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
        const int count = xcb_get_property_value_length(reply) / 4;
        found = std::find(ids, ids + count, window) != ids + count;
    }
    std::free(reply);
    return found;
}

// The window manager is ready once it manages a window mapped after it started: a probe window is
// mapped (again, in case a request came too early in its start-up) until it is in the stacking list.
bool managesNewWindows(const std::string& display, Clock::time_point deadline)
{
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t list = intern(c, "_NET_CLIENT_LIST_STACKING");
    const xcb_window_t probe = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    bool managed = false;
    while (!managed && Clock::now() < deadline) {
        xcb_unmap_window(c, probe);
        xcb_map_window(c, probe);
        xcb_flush(c);
        const auto retry = std::min(deadline, Clock::now() + std::chrono::seconds(1));
        while (!(managed = listed(c, root, list, probe)) && Clock::now() < retry) usleep(20000);
    }
    xcb_destroy_window(c, probe);
    // Gone from the list before the test starts looking at it.
    while (managed && listed(c, root, list, probe) && Clock::now() < deadline) usleep(20000);
    xcb_disconnect(c);
    return managed;
}

}  // namespace

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
    stop(windowManager_);
    stop(server_);
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
