#include "desktop/IdleWindow.hpp"

namespace lumen::app {

IdleWindow::IdleWindow(DesktopWindow& window, int displayIndex) : window_(window) {
    surface_.displayIndex = displayIndex;
    surface_.interactive = false;
    surface_.parallaxEnabled = false;
    surface_.pointerReacts = false;
    surface_.setWindow(&window_);
}

// The backend destroys the window after this: the surface must not present into it any more.
IdleWindow::~IdleWindow() { surface_.setWindow(nullptr); }

}  // namespace lumen::app
