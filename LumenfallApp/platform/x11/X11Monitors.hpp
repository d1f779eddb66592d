#pragma once

#include "platform/Screen.hpp"
#include "platform/x11/X11Atoms.hpp"

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <vector>

namespace lumen::app::X11Monitors {

// A monitor made with `xrandr --setmonitor NAME geometry none` has no output; its identifier is
// its name atom with this bit set, which no output id (an XID, 29 bits) can have.
inline constexpr std::uint32_t virtualMonitorBit = 0x80000000u;

// A mode's refresh rate in Hz: dot clock / (htotal * vtotal), halved for double scan, doubled
// for interlace; 0 when the totals are unknown (as on Xvfb).
double modeRate(const xcb_randr_mode_info_t& mode);

// The active RandR 1.5 monitors of the root's screen, in the system's order. Identifier: the
// monitor's first output, else its name atom | virtualMonitorBit. Name: the output's EDID
// product name, else the connector name, else the monitor's name. Refresh rate: the output's
// CRTC mode, or for an output-less monitor the CRTC it overlaps most.
std::vector<Screen> query(xcb_connection_t* connection, xcb_window_t root, const X11Atoms& atoms, double scale);

}  // namespace lumen::app::X11Monitors
