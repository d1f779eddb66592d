#pragma once

#include "platform/DesktopWindow.hpp"
#include "render/SceneSurfaceView.hpp"

namespace lumen::app {

// One display of the idle scene: the backend's full-screen window above everything and the
// surface drawn into it. The surface draws the live scene without parallax or pointer reactions,
// since any pointer motion ends the idle scene. The backend owns the window; the idle scene owns
// this pairing and takes both down together.
class IdleWindow {
public:
    IdleWindow(DesktopWindow& window, int displayIndex);
    ~IdleWindow();
    IdleWindow(const IdleWindow&) = delete;
    IdleWindow& operator=(const IdleWindow&) = delete;

    DesktopWindow& window() const { return window_; }
    SceneSurfaceView& surface() { return surface_; }
    const SceneSurfaceView& surface() const { return surface_; }

private:
    DesktopWindow& window_;
    SceneSurfaceView surface_;
};

}  // namespace lumen::app
