#include "support/XServer.hpp"

#include <QCoreApplication>
#include <QEventLoop>

#include <xcb/xcb.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace lumen::test {

namespace {

using Clock = std::chrono::steady_clock;

pid_t spawn(const std::vector<std::string>& args, const std::string& display, int keepFd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (keepFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, keepFd, 3);
    }
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "DISPLAY=", 8) != 0) {
            env.emplace_back(*e);
        }
    }
    if (!display.empty()) {
        env.push_back("DISPLAY=" + display);
    }
    std::vector<char*> envp;
    for (std::string& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void stop(pid_t& pid)
{
    if (pid <= 0) {
        return;
    }
    kill(pid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        usleep(10000);
    }
    pid = -1;
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
        while (!(managed = listed(c, root, list, probe)) && Clock::now() < retry) {
            usleep(20000);
        }
    }
    xcb_destroy_window(c, probe);
    // Gone from the list before the test starts looking at it.
    while (managed && listed(c, root, list, probe) && Clock::now() < deadline) {
        usleep(20000);
    }
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
    int fds[2];
    if (pipe(fds) != 0) {
        reason = "no pipe";
        return nullptr;
    }
    // -displayfd: the server picks a free display number and writes it once it accepts clients.
    std::unique_ptr<XServer> server(new XServer);
    server->server_ = spawn({"Xvfb", "-displayfd", "3", "-screen", "0", size + "x24", "-noreset", "-nolisten",
                             "tcp"},
                            "", fds[1]);
    close(fds[1]);
    std::string number;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (server->server_ > 0 && Clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) {
            continue;
        }
        char buffer[32];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        number.append(buffer, static_cast<std::size_t>(n));
        if (number.find('\n') != std::string::npos) {
            break;
        }
    }
    close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) {
        number.pop_back();
    }
    if (number.empty()) {
        reason = "Xvfb did not start";
        return nullptr;
    }
    server->display_ = ":" + number;
    return server;
}

XServer::~XServer()
{
    stop(windowManager_);
    stop(server_);
}

bool XServer::startWindowManager()
{
    if (!haveProgram("openbox")) {
        return false;
    }
    windowManager_ = spawn({"openbox", "--sm-disable"}, display_, -1);
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
        if (Clock::now() >= deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        usleep(5000);
    }
    return true;
}

}  // namespace lumen::test
