#include "desktop/IdleWindow.hpp"

namespace lumen::app {

IdleWindow::IdleWindow(DesktopWindow& window, int displayIndex) : window_(window) {
    surface_.setDisplayIndex(displayIndex);
    surface_.setInteractive(false);
    surface_.setParallaxEnabled(false);
    surface_.setPointerReacts(false);
    surface_.setWindow(&window_);
}

// The backend destroys the window after this: the surface must not present into it any more.
IdleWindow::~IdleWindow() { surface_.setWindow(nullptr); }

}  // namespace lumen::app
