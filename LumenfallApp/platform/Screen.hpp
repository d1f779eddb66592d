#pragma once

#include "platform/PixelRect.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace lumen::app {

// One display as a desktop backend reports it.
struct Screen {
    std::uint32_t id = 0;      // X11: the RandR output id; Wayland: the wl_output global name
    std::string name;          // EDID product name, else the connector name
    PixelRect frame;           // in screen pixels
    double scale = 1.0;        // pixels per point
    double refreshRate = 0;    // Hz; 0 when unknown
    bool primary = false;

    bool operator==(const Screen&) const = default;
};

// The system's screen order: the primary screen first, then the others left to right, then top to
// bottom. Ties keep their given order.
void sortScreens(std::vector<Screen>& screens);

}  // namespace lumen::app
