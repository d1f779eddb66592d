#include "desktop/DesktopSession.hpp"

#include "platform/DesktopBackend.hpp"
#include "platform/x11/X11Backend.hpp"
#include "platform/x11/X11Display.hpp"
#include "render/SurfaceWindow.hpp"

#include "log/EventLog.hpp"

#include <algorithm>
#include <cstdlib>

namespace lumen::app {

namespace {

const char* const waylandOnly =
    "this Wayland session offers no X11 display (DISPLAY is not set): Lumenfall draws on X11 for now, so "
    "run it with XWayland or in an X11 session";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::optional<std::string> desktopDisplayProblem() {
    const std::string x11 = environment("DISPLAY");
    if (x11.empty() && !environment("WAYLAND_DISPLAY").empty()) return std::string(waylandOnly);
    if (x11.empty()) return "there is no display to draw the wallpaper on (neither DISPLAY nor WAYLAND_DISPLAY is set)";
    if (auto problem = x11ConnectProblem(x11)) return *problem + "; set DISPLAY to a running X server, e.g. DISPLAY=:0";
    return std::nullopt;
}

std::string desktopDisplayKey() {
    std::string key = environment("DISPLAY");
    if (auto address = parseX11Display(key)) {
        key = std::to_string(address->number);
        if (!address->host.empty()) key = address->host + "-" + key;
    }
    // The key names a socket file.
    std::replace_if(key.begin(), key.end(), [](char c) { return c == '/' || c == ':'; }, '_');
    return key;
}

std::unique_ptr<DesktopBackend> openDesktopBackend(std::string& error) {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* x11 = std::getenv("DISPLAY");
    if (wayland && *wayland && !(x11 && *x11)) {
        error = waylandOnly;
        return nullptr;
    }
    if (wayland && *wayland) logEvent("desktop: Wayland session, drawing through XWayland on " + std::string(x11));
    auto backend = X11Backend::open(nullptr, &error);
    if (!backend) return nullptr;
    return backend;
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
