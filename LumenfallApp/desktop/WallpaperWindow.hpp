#pragma once

#include "platform/DesktopWindow.hpp"
#include "render/SceneSurfaceView.hpp"

#include <cstdint>

namespace lumen::app {

// The wallpaper of one display: the backend's window (borderless, below everything, never
// focused, clicks passing through) and the surface drawn into it. The backend owns the window;
// the wallpaper host owns this pairing and takes both down together.
class WallpaperWindow {
public:
    WallpaperWindow(std::uint32_t displayID, DesktopWindow& window, int displayIndex);
    ~WallpaperWindow();
    WallpaperWindow(const WallpaperWindow&) = delete;
    WallpaperWindow& operator=(const WallpaperWindow&) = delete;

    std::uint32_t displayID() const { return displayID_; }
    DesktopWindow& window() const { return window_; }
    SceneSurfaceView& surface() { return surface_; }
    const SceneSurfaceView& surface() const { return surface_; }
    // Some of it can be seen: not covered by other windows or a full-screen application.
    bool visible() const { return window_.visible(); }

private:
    std::uint32_t displayID_;
    DesktopWindow& window_;
    SceneSurfaceView surface_;
};

}  // namespace lumen::app
