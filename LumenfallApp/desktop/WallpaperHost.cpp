#include "desktop/WallpaperHost.hpp"

#include "platform/DesktopBackend.hpp"
#include "render/FrameDriver.hpp"

#include "log/EventLog.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>

namespace lumen::app {

namespace {

// The frame a window would have on a screen, in points.
ScreenRect pointFrame(const Screen& screen) {
    const double scale = screen.scale > 0 ? screen.scale : 1.0;
    return {screen.frame.x / scale, screen.frame.y / scale, screen.frame.width / scale, screen.frame.height / scale};
}

}  // namespace

WallpaperHost::WallpaperHost(DesktopBackend& backend, FrameDriver& driver, gpu::Device* device)
    : backend_(backend), driver_(driver), device_(device) {
    backend_.setScreensChangedHandler([this] { rebuild(); });
    backend_.setOcclusionChangedHandler([this](DesktopWindow& window) { occlusionChanged(window); });
}

WallpaperHost::~WallpaperHost() {
    backend_.setScreensChangedHandler({});
    backend_.setOcclusionChangedHandler({});
    removeAll();
}

void WallpaperHost::rebuild() {
    std::vector<Screen> screens = backend_.screens();
    if (onlyMainDisplay && onlyMainDisplay() && screens.size() > 1) screens.resize(1);

    std::set<std::uint32_t> seen;
    for (std::size_t index = 0; index < screens.size(); ++index) {
        const Screen& screen = screens[index];
        // Zero is X11's None and no Wayland global: a screen without an identifier.
        if (screen.id == 0) continue;
        seen.insert(screen.id);
        const ScreenRect frame = pointFrame(screen);

        if (auto found = windows_.find(screen.id); found != windows_.end()) {
            WallpaperWindow& wallpaper = *found->second;
            DesktopWindow& window = wallpaper.window();
            const bool moved = window.frame() != frame;
            if (moved || window.pixelFrame() != screen.frame || window.refreshRate() != screen.refreshRate) {
                window.setFrame(screen.frame, screen.scale, screen.refreshRate);
                wallpaper.surface().windowGeometryChanged();
            }
            if (moved) logEvent("display " + std::to_string(screen.id) + " resized to " + rectText(frame));
            wallpaper.surface().setDisplayIndex(static_cast<int>(index));
            continue;
        }

        DesktopWindow* window = backend_.createWindow(screen, device_);
        if (!window) {
            logEvent("display " + std::to_string(screen.id) + ": the wallpaper window could not be made");
            continue;
        }
        auto& wallpaper = windows_[screen.id];
        wallpaper = std::make_unique<WallpaperWindow>(screen.id, *window, static_cast<int>(index));
        driver_.add(wallpaper->surface());
        logEvent("display " + std::to_string(screen.id) + " added (" +
                 std::to_string(static_cast<long long>(frame.width)) + "×" +
                 std::to_string(static_cast<long long>(frame.height)) + " pt, scale " + decimalText(screen.scale) + ")");
    }

    for (auto it = windows_.begin(); it != windows_.end();) {
        if (seen.contains(it->first)) {
            ++it;
            continue;
        }
        const std::uint32_t id = it->first;
        auto next = std::next(it);
        removeWindow(it);
        it = next;
        logEvent("display " + std::to_string(id) + " removed");
    }

    // A surface's index may have changed without any add or remove: the link follows the lowest.
    driver_.updateLink();
    if (onChange) onChange();
}

void WallpaperHost::removeAll() {
    while (!windows_.empty()) removeWindow(windows_.begin());
}

void WallpaperHost::removeWindow(std::map<std::uint32_t, std::unique_ptr<WallpaperWindow>>::iterator it) {
    const std::uint32_t id = it->first;
    driver_.remove(it->second->surface());
    windows_.erase(it);
    backend_.destroyWindow(id);
}

std::vector<WallpaperWindow*> WallpaperHost::orderedWindows() const {
    std::vector<WallpaperWindow*> ordered;
    ordered.reserve(windows_.size());
    for (const auto& [id, window] : windows_) ordered.push_back(window.get());
    std::stable_sort(ordered.begin(), ordered.end(), [](const WallpaperWindow* a, const WallpaperWindow* b) {
        return a->surface().displayIndex() < b->surface().displayIndex();
    });
    return ordered;
}

WallpaperWindow* WallpaperHost::window(std::uint32_t displayID) const {
    auto found = windows_.find(displayID);
    return found == windows_.end() ? nullptr : found->second.get();
}

void WallpaperHost::occlusionChanged(DesktopWindow& window) {
    // Only the window held for its display counts: not a replaced one, not an idle window.
    auto found = windows_.find(window.displayID());
    if (found == windows_.end() || &found->second->window() != &window) return;
    logEvent("occlusion display " + std::to_string(window.displayID()) + ": " +
             (window.visible() ? "visible" : "covered"));
    if (onChange) onChange();
}

std::string WallpaperHost::decimalText(double value) {
    if (!std::isfinite(value)) return "nan";
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, error == std::errc{} ? end : buffer);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

std::string WallpaperHost::rectText(const ScreenRect& rect) {
    std::string text = "(";
    for (const double value : {rect.x, rect.y, rect.width, rect.height}) {
        if (text.size() > 1) text += ", ";
        text += decimalText(value);
    }
    text += ")";
    return text;
}

}  // namespace lumen::app
