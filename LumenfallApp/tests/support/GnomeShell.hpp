#pragma once

#include "support/XServer.hpp"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace lumen::test {

// A headless GNOME Shell on Wayland with one 1280x720 virtual monitor and its Xwayland, on private
// system and session buses and in private folders, out of its overview; everything stops when it
// goes. Needs a QCoreApplication.
class GnomeShell {
    using Clock = std::chrono::steady_clock;

public:
    // Null, with the reason, when gnome-shell is not installed or does not come up. An extension
    // folder given is installed for the user (not yet enabled).
    static std::unique_ptr<GnomeShell> start(std::string& reason, const QString& extension = {})
    {
        for (const char* program : {"gnome-shell", "dbus-daemon", "gdbus", "Xwayland"}) {
            if (!haveProgram(program)) {
                reason = std::string(program) + " is not installed";
                return nullptr;
            }
        }
        std::unique_ptr<GnomeShell> shell(new GnomeShell);
        if (!shell->folders_.isValid() || !shell->startBuses() || !shell->install(extension) ||
            !shell->startShell(reason)) {
            if (reason.empty()) reason = "the private buses did not start";
            return nullptr;
        }
        return shell;
    }
    ~GnomeShell()
    {
        stopProcess(shell_);
        stopProcess(sessionBus_);
        stopProcess(systemBus_);
    }

    const std::string& display() const { return display_; }
    // What the shell has printed so far, for a failing test's message.
    QString log()
    {
        said_ += QString::fromUtf8(shell_.readAll());
        return said_;
    }

    // What a client of this desktop runs with: its displays, buses and folders.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", path("runtime"));
        environment.insert("HOME", path("home"));
        environment.insert("XDG_CONFIG_HOME", path("home/.config"));
        environment.insert("XDG_CACHE_HOME", path("home/.cache"));
        environment.insert("XDG_DATA_HOME", path("home/.local/share"));
        environment.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + path("runtime/system"));
        environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + path("runtime/session"));
        environment.insert("WAYLAND_DISPLAY", "lumen-wayland");
        environment.remove("DISPLAY");
        if (!display_.empty()) {
            environment.insert("DISPLAY", QString::fromStdString(display_));
            environment.insert("XAUTHORITY", xauthority_);
        }
        return environment;
    }

    // Runs a command in this desktop's environment; its standard output, or none when it fails.
    std::optional<QString> output(const QString& program, const QStringList& arguments) const
    {
        return commandOutput(environment(), program, arguments);
    }

private:
    GnomeShell() = default;

    QString path(const QString& relative) const { return folders_.filePath(relative); }

    bool startBuses()
    {
        QDir(folders_.path()).mkpath("runtime");
        QFile::setPermissions(path("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QDir(folders_.path()).mkpath("home/.config");
        for (auto [process, socket] : {std::pair{&systemBus_, "runtime/system"}, std::pair{&sessionBus_, "runtime/session"}}) {
            process->setStandardOutputFile(QProcess::nullDevice());
            process->setStandardErrorFile(QProcess::nullDevice());
            // A session-type bus serves as the system bus too: logind's client only needs one there.
            process->start("dbus-daemon", {"--session", "--address=unix:path=" + path(socket), "--nofork", "--nopidfile"});
        }
        return waitFor([&] { return QFile::exists(path("runtime/system")) && QFile::exists(path("runtime/session")); },
                       std::chrono::seconds(10));
    }

    // Copies the extension where the shell looks for the user's, and keeps banners (such as the
    // warning about a session as root) off the screenshots.
    bool install(const QString& extension)
    {
        output("gsettings", {"set", "org.gnome.desktop.notifications", "show-banners", "false"});
        if (extension.isEmpty()) return true;
        const QString target = path("home/.local/share/gnome-shell/extensions/") + QDir(extension).dirName();
        QDir().mkpath(target);
        for (const QString& file : QDir(extension).entryList(QDir::Files)) {
            if (!QFile::copy(QDir(extension).filePath(file), target + "/" + file)) return false;
        }
        return true;
    }

    bool startShell(std::string& reason)
    {
        shell_.setProcessEnvironment(environment());
        shell_.setProcessChannelMode(QProcess::MergedChannels);
        shell_.start("gnome-shell", {"--headless", "--wayland", "--virtual-monitor", "1280x720",
                                     "--wayland-display=lumen-wayland"});
        // "Using public X11 display :N": Xwayland is up.
        const QRegularExpression publicDisplay("public X11 display (:\\d+)");
        QString& said = said_;
        const auto deadline = Clock::now() + std::chrono::seconds(90);
        while (display_.empty() && Clock::now() < deadline && shell_.state() != QProcess::NotRunning) {
            shell_.waitForReadyRead(200);
            said += QString::fromUtf8(shell_.readAll());
            if (auto match = publicDisplay.match(said); match.hasMatch()) display_ = match.captured(1).toStdString();
        }
        const auto auth = QDir(path("runtime")).entryList({".mutter-Xwaylandauth.*"}, QDir::Files | QDir::Hidden);
        if (display_.empty() || auth.isEmpty()) {
            reason = "gnome-shell did not start: " + said.right(400).toStdString();
            return false;
        }
        xauthority_ = path("runtime/" + auth.front());
        // The shell starts in its overview, and shows it again once its start-up animation ends:
        // asked to leave until it stays out for two looks a second apart.
        const QStringList shell{"call", "--session", "--dest", "org.gnome.Shell", "--object-path", "/org/gnome/Shell",
                                "--method"};
        const QStringList leave = shell + QStringList{"org.freedesktop.DBus.Properties.Set", "org.gnome.Shell",
                                                      "OverviewActive", "<false>"};
        const QStringList look = shell + QStringList{"org.freedesktop.DBus.Properties.Get", "org.gnome.Shell",
                                                     "OverviewActive"};
        int out = 0;
        const bool left = waitFor(
            [&] {
                output("gdbus", leave);
                std::this_thread::sleep_for(std::chrono::seconds(1));
                out = output("gdbus", look).value_or("").contains("false") ? out + 1 : 0;
                return out >= 2;
            },
            std::chrono::seconds(60));
        if (!left) {
            reason = "gnome-shell never left its overview";
            return false;
        }
        return true;
    }

    QTemporaryDir folders_;
    QProcess systemBus_, sessionBus_, shell_;
    std::string display_;
    QString xauthority_;
    QString said_;
};

}  // namespace lumen::test
