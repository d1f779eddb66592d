#pragma once

#include "platform/PixelRect.hpp"

#include <vector>

namespace lumen::app {

// A top-level window stacked above a wallpaper window, as far as occlusion cares.
struct StackedWindow {
    PixelRect frame;          // including the window manager's decorations
    bool mapped = true;       // viewable
    bool hidden = false;      // minimised or otherwise hidden by the window manager
    bool fullscreen = false;
};

// No compositor tells us whether the desktop shows, so it is computed from the windows above.
namespace OcclusionModel {

// Covered when a shown fullscreen window overlaps the monitor, or when the shown windows together
// cover every pixel of it. Unmapped and hidden windows never cover anything.
bool covered(const PixelRect& monitor, const std::vector<StackedWindow>& windows);

// Whether the union of the rectangles contains every pixel of the area.
bool unionCovers(const PixelRect& area, const std::vector<PixelRect>& rects);

}  // namespace OcclusionModel

}  // namespace lumen::app
