#include "desktop/DesktopSession.hpp"

#include "platform/DesktopBackend.hpp"
#include "platform/x11/X11Backend.hpp"
#include "render/SurfaceWindow.hpp"

#include "log/EventLog.hpp"

#include <cstdlib>

namespace lumen::app {

std::unique_ptr<DesktopBackend> openDesktopBackend(std::string& error) {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* x11 = std::getenv("DISPLAY");
    if (wayland && *wayland && !(x11 && *x11)) {
        error = "this Wayland session offers no X11 display (XWayland), which Lumenfall needs for now";
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
