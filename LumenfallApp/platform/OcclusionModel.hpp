#pragma once

#include "platform/PixelRect.hpp"

#include <cstdint>
#include <optional>
#include <vector>

namespace lumen::app {

// A top-level window stacked above a wallpaper window, as far as occlusion cares.
struct StackedWindow {
    PixelRect frame;          // including the window manager's decorations
    bool mapped = true;       // viewable
    bool hidden = false;      // minimised (Iconic) or otherwise hidden by the window manager
    bool fullscreen = false;
    // The virtual desktop it is on (none: not said); window managers keep other desktops'
    // windows mapped, so this, not the map state, says whether it is seen now.
    std::optional<std::uint32_t> desktop;
    bool sticky = false;  // on every desktop
};

// What the window manager says about the desktop as a whole.
struct DesktopState {
    static constexpr std::uint32_t allDesktops = 0xFFFFFFFF;
    std::uint32_t current = 0;  // unset reads as the first desktop
    // The area not reserved for panels (GNOME's top bar, docks); what lies outside it on a
    // monitor is the window manager's own and hides the wallpaper there.
    std::optional<PixelRect> workArea;
};

// No compositor tells us whether the desktop shows, so it is computed from the windows above.
namespace OcclusionModel {

// Covered when a shown fullscreen window overlaps the monitor, or when the shown windows together
// cover every pixel of it that the work area leaves. Unmapped and hidden windows, and those on
// another desktop (unless sticky), never cover anything.
bool covered(const PixelRect& monitor, const std::vector<StackedWindow>& windows, const DesktopState& desktop = {});

// Whether the window shows on the current desktop at all.
bool shown(const StackedWindow& window, const DesktopState& desktop);

// Whether the union of the rectangles contains every pixel of the area.
bool unionCovers(const PixelRect& area, const std::vector<PixelRect>& rects);

}  // namespace OcclusionModel

}  // namespace lumen::app
