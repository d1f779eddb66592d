#include "desktop/WallpaperWindow.hpp"

namespace lumen::app {

WallpaperWindow::WallpaperWindow(std::uint32_t displayID, DesktopWindow& window, int displayIndex)
    : displayID_(displayID), window_(window) {
    surface_.setDisplayIndex(displayIndex);
    surface_.setWindow(&window_);
}

// The backend destroys the window after this: the surface must not present into it any more.
WallpaperWindow::~WallpaperWindow() { surface_.setWindow(nullptr); }

}  // namespace lumen::app
