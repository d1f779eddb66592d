#pragma once

#include "support/XServer.hpp"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <unistd.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumen::test {

// A private headless sway (wlroots' headless backend, pixman renderer, no Xwayland) with two
// outputs side by side: HEADLESS-1 640x360 and HEADLESS-2 512x384. Sway refuses to run as root,
// so as root it runs as nobody in a runtime folder of nobody's; root's clients may connect. It and
// every client started through it stop when it goes. A nested sway on top of it can unplug
// outputs, which the headless backend cannot. Needs a QCoreApplication.
class HeadlessSway {
public:
    // Null, with the reason, when sway is not installed or does not come up.
    static std::unique_ptr<HeadlessSway> start(std::string& reason)
    {
        for (const char* program : {"sway", "swaymsg", "setpriv"}) {
            if (!haveProgram(program)) {
                reason = std::string(program) + " is not installed";
                return nullptr;
            }
        }
        std::unique_ptr<HeadlessSway> sway(new HeadlessSway);
        sway->runtime_ = sway->folder_.path();
        if (!sway->folder_.isValid() || !sway->launch(reason)) return nullptr;
        return sway;
    }
    // A sway on this one's Wayland backend: its outputs WL-1 (640x360) and WL-2 (512x384) are
    // windows here, and killing a window unplugs its output there (unplugOutput). Null, with the
    // reason, when it does not come up. Stop it before this one.
    std::unique_ptr<HeadlessSway> nested(std::string& reason) const
    {
        std::unique_ptr<HeadlessSway> sway(new HeadlessSway);
        sway->runtime_ = runtime_;
        sway->parent_ = this;
        sway->config_ = "nested.conf";
        if (!sway->launch(reason)) return nullptr;
        return sway;
    }
    // Closes one output's window in the outer compositor: the nested one loses that output.
    bool unplugOutput(const QString& output) const
    {
        return parent_ != nullptr && parent_->command("[title=\"wlroots - " + output + "\"] kill");
    }
    ~HeadlessSway()
    {
        for (auto& client : clients_) stopProcess(*client);
        stopProcess(sway_);
    }

    const QString& waylandDisplay() const { return display_; }
    // The socket's full path, for connections made in this process.
    std::string socketPath() const { return QDir(runtime_).filePath(display_).toStdString(); }

    // What a client of this compositor runs with: its socket, no X11 display.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", runtime_);
        environment.insert("WAYLAND_DISPLAY", display_);
        environment.insert("SWAYSOCK", ipcSocket_);
        environment.remove("DISPLAY");
        return environment;
    }

    // Runs a sway command through swaymsg; whether it succeeded.
    bool command(const QString& text) const { return run("swaymsg", {text}).has_value(); }
    // swaymsg -t <type>'s JSON.
    std::optional<QString> query(const QString& type) const { return run("swaymsg", {"-t", type}); }

    // One output's picture as the compositor shows it; null when grim failed.
    QImage screenshot(const QString& output) const
    {
        QProcess grim;
        grim.setProcessEnvironment(environment());
        grim.start("grim", {"-o", output, "-t", "ppm", "-"});
        if (!grim.waitForFinished(20000) || grim.exitCode() != 0) return {};
        return QImage::fromData(grim.readAllStandardOutput(), "PPM");
    }

    // A client run against this compositor, stopped when the test ends it or the compositor goes.
    QProcess& startClient(const QString& program, const QStringList& arguments)
    {
        clients_.push_back(std::make_unique<QProcess>());
        QProcess& client = *clients_.back();
        client.setProcessEnvironment(environment());
        client.setStandardOutputFile(QProcess::nullDevice());
        client.setStandardErrorFile(QProcess::nullDevice());
        client.start(program, arguments);
        return client;
    }

    // Ends the compositor now, as a crash or a logout would.
    void kill()
    {
        sway_.kill();
        sway_.waitForFinished(5000);
    }

private:
    HeadlessSway() = default;

    std::optional<QString> run(const QString& program, const QStringList& arguments) const
    {
        return commandOutput(environment(), program, arguments);
    }

    bool launch(std::string& reason)
    {
        const QString config = QDir(runtime_).filePath(config_);
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) return false;
        // create_output is refused in the config itself; through swaymsg it works.
        // create_output is refused in the config itself; through swaymsg it works.
        file.write(parent_ ? "xwayland disable\n"
                             "output WL-1 mode 640x360 position 0 0\n"
                             "output WL-2 mode 512x384 position 640 0\n"
                           : "xwayland disable\n"
                             "output HEADLESS-1 mode 640x360 position 0 0\n"
                             "output HEADLESS-2 mode 512x384 position 640 0\n"
                             "exec swaymsg create_output\n");
        file.close();
        const bool root = geteuid() == 0;
        if (root && parent_ == nullptr && chown(runtime_.toLocal8Bit().constData(), 65534, 65534) != 0) return false;
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
        QProcessEnvironment environment;
        environment.insert("PATH", "/usr/bin:/bin");
        environment.insert("HOME", runtime_);
        environment.insert("XDG_RUNTIME_DIR", runtime_);
        if (parent_ != nullptr) {
            environment.insert("WAYLAND_DISPLAY", parent_->display_);
            environment.insert("WLR_BACKENDS", "wayland");
            environment.insert("WLR_WL_OUTPUTS", "2");
        } else {
            environment.insert("WLR_BACKENDS", "headless");
        }
        environment.insert("WLR_LIBINPUT_NO_DEVICES", "1");
        environment.insert("WLR_RENDERER", "pixman");
        sway_.setProcessEnvironment(environment);
        sway_.setProcessChannelMode(QProcess::MergedChannels);
        if (root) {
            sway_.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "sway", "-c", config});
        } else {
            sway_.start("sway", {"-c", config});
        }
        const bool up = waitFor(
            [&] {
                const QDir dir(runtime_);
                auto sockets = dir.entryList({"wayland-*"}, QDir::System).filter(QRegularExpression("^wayland-\\d+$"));
                if (parent_ != nullptr) sockets.removeAll(parent_->display_);
                // setpriv execs sway: the process id is sway's, and names its IPC socket.
                const auto ipc = dir.entryList({QString("sway-ipc.*.%1.sock").arg(sway_.processId())}, QDir::System);
                if (sockets.isEmpty() || ipc.isEmpty() || sway_.state() == QProcess::NotRunning) return false;
                display_ = sockets.front();
                ipcSocket_ = dir.filePath(ipc.front());
                const auto outputs = query("get_outputs");
                return outputs && outputs->count(parent_ ? "\"WL-" : "\"HEADLESS-") >= 2;
            },
            std::chrono::seconds(30));
        if (!up) {
            reason = "sway did not start: " + QString::fromUtf8(sway_.readAll()).right(400).toStdString();
            return false;
        }
        return true;
    }

    QTemporaryDir folder_;
    QString runtime_;
    QString config_ = "sway.conf";
    const HeadlessSway* parent_ = nullptr;
    QProcess sway_;
    QString display_, ipcSocket_;
    std::vector<std::unique_ptr<QProcess>> clients_;
};

}  // namespace lumen::test
