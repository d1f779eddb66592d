#pragma once

#include "desktop/WallpaperWindow.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace lumen::gpu {
class Device;
}

namespace lumen::app {

class DesktopBackend;
class FrameDriver;
struct ScreenRect;

// Keeps one wallpaper window per display, matched to the backend's screens as they are added,
// removed, moved or resized, each window's surface registered with the one frame driver. Tells
// its owner (onChange) after every rebuild and whenever a window turns covered or visible, so
// that each display can pause or resume on its own. Main thread only.
class WallpaperHost {
public:
    // Installs the backend's screen-change and occlusion handlers (dropped again on destruction).
    // `device` is the shared GPU device made on the backend's display; null makes windows without
    // surfaces (they show their background colour only).
    WallpaperHost(DesktopBackend& backend, FrameDriver& driver, gpu::Device* device);
    // Takes every window down.
    ~WallpaperHost();
    WallpaperHost(const WallpaperHost&) = delete;
    WallpaperHost& operator=(const WallpaperHost&) = delete;

    // Matches the windows to the backend's screens, then calls onChange.
    void rebuild();
    // Unregisters every surface and destroys every window (at quit).
    void removeAll();

    // Called after every rebuild and every occlusion change of one of these windows.
    std::function<void()> onChange;
    // Read at each rebuild: only the first screen gets a window when it says so.
    std::function<bool()> onlyMainDisplay;

    const std::map<std::uint32_t, std::unique_ptr<WallpaperWindow>>& windows() const { return windows_; }
    // The windows by ascending display index: the order of decisions, statuses and the
    // performance log.
    std::vector<WallpaperWindow*> orderedWindows() const;
    WallpaperWindow* window(std::uint32_t displayID) const;

    // A rectangle as the event log writes it: "(0.0, 0.0, 1512.0, 982.0)".
    static std::string rectText(const ScreenRect& rect);
    // A number with at least one decimal: 2 → "2.0", 1.25 → "1.25".
    static std::string decimalText(double value);

private:
    void occlusionChanged(DesktopWindow& window);
    void removeWindow(std::map<std::uint32_t, std::unique_ptr<WallpaperWindow>>::iterator it);

    DesktopBackend& backend_;
    FrameDriver& driver_;
    gpu::Device* device_;
    std::map<std::uint32_t, std::unique_ptr<WallpaperWindow>> windows_;
};

}  // namespace lumen::app
