#include "desktop/DesktopSession.hpp"

#include "platform/DesktopBackend.hpp"
#include "platform/wayland/WaylandBackend.hpp"
#include "platform/x11/X11Backend.hpp"
#include "platform/x11/X11Display.hpp"
#include "render/SurfaceWindow.hpp"

#include "log/EventLog.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace lumen::app {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::optional<std::string> x11Problem(const std::string& x11) {
    if (x11.empty()) return "there is no X11 display to draw the wallpaper on (DISPLAY is not set)";
    if (auto problem = x11ConnectProblem(x11)) return *problem + "; set DISPLAY to a running X server, e.g. DISPLAY=:0";
    return std::nullopt;
}

std::unique_ptr<DesktopBackend> openWayland(std::string& error) {
    auto backend = WaylandBackend::open(nullptr, &error);
    if (!backend) return nullptr;
    backend->setConnectionLostHandler([](const std::string& why) {
        std::fprintf(stderr, "lumenfall: %s; quitting\n", why.c_str());
        QCoreApplication::exit(1);
    });
    return backend;
}

}  // namespace

std::optional<DesktopKind> parseDesktopKind(const std::string& text) {
    if (text.empty()) return DesktopKind::automatic;
    if (text == "wayland") return DesktopKind::wayland;
    if (text == "x11") return DesktopKind::x11;
    return std::nullopt;
}

std::optional<std::string> desktopDisplayProblem(DesktopKind kind) {
    const std::string x11 = environment("DISPLAY");
    const std::string wayland = environment("WAYLAND_DISPLAY");
    if (kind == DesktopKind::x11) return x11Problem(x11);
    if (kind == DesktopKind::wayland || (!wayland.empty() && x11.empty())) {
        if (wayland.empty()) return std::string("there is no Wayland compositor to draw on (WAYLAND_DISPLAY is not set)");
        const auto error = WaylandBackend::problem();
        if (!error) return std::nullopt;
        if (kind == DesktopKind::wayland || x11.empty()) {
            return *error + (x11.empty() ? "; without DISPLAY there is no X11 display to fall back on" : "");
        }
    }
    if (x11.empty() && wayland.empty()) {
        return std::string("there is no display to draw the wallpaper on (neither DISPLAY nor WAYLAND_DISPLAY is set)");
    }
    return x11Problem(x11);
}

void chooseQtPlatform() {
    if (!environment("DISPLAY").empty() || environment("WAYLAND_DISPLAY").empty() ||
        !environment("QT_QPA_PLATFORM").empty()) {
        return;
    }
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms");
    const bool waylandPlugin = !platforms.entryList({"libqwayland*.so"}, QDir::Files).isEmpty();
    setenv("QT_QPA_PLATFORM", waylandPlugin ? "wayland" : "offscreen", 1);
    if (!waylandPlugin) {
        logEvent("desktop: Qt has no Wayland platform here and there is no X11 display: the tray icon and the "
                 "settings window cannot show");
    }
}

std::string desktopDisplayKey() {
    std::string key = environment("DISPLAY");
    if (auto address = parseX11Display(key)) {
        key = std::to_string(address->number);
        if (!address->host.empty()) key = address->host + "-" + key;
    } else if (key.empty()) {
        key = environment("WAYLAND_DISPLAY");
    }
    // The key names a socket file.
    std::replace_if(key.begin(), key.end(), [](char c) { return c == '/' || c == ':'; }, '_');
    return key;
}

std::unique_ptr<DesktopBackend> openDesktopBackend(std::string& error, DesktopKind kind) {
    const std::string wayland = environment("WAYLAND_DISPLAY");
    const std::string x11 = environment("DISPLAY");
    if (kind == DesktopKind::wayland) {
        auto backend = openWayland(error);
        if (backend) logEvent("desktop: Wayland layer shell on " + wayland + " (asked for with -desktopBackend wayland)");
        return backend;
    }
    if (kind == DesktopKind::automatic && !wayland.empty()) {
        std::string why;
        if (auto backend = openWayland(why)) {
            logEvent("desktop: Wayland layer shell on " + wayland + " (WAYLAND_DISPLAY is set and the compositor offers it)");
            return backend;
        }
        if (x11.empty()) {
            error = why;
            return nullptr;
        }
        logEvent("desktop: X11 through XWayland on " + x11 + " (Wayland: " + why + ")");
    } else if (kind == DesktopKind::x11) {
        logEvent("desktop: X11 on " + x11 + " (asked for with -desktopBackend x11)");
    } else {
        logEvent("desktop: X11 on " + x11 + " (WAYLAND_DISPLAY is not set)");
    }
    return X11Backend::open(nullptr, &error);
}

std::function<std::optional<ScreenPoint>()> pointerSource(DesktopBackend& backend) {
    return [&backend]() -> std::optional<ScreenPoint> {
        const auto pixel = backend.pointerPosition();
        if (!pixel) return std::nullopt;
        // X11 and Wayland both report one scale for the whole desktop: the screens share it.
        const auto& screens = backend.screens();
        const double scale = screens.empty() || screens.front().scale <= 0 ? 1.0 : screens.front().scale;
        return ScreenPoint{pixel->x / scale, pixel->y / scale};
    };
}

}  // namespace lumen::app
