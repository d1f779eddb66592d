#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace lumen::app {

class DesktopBackend;
struct ScreenPoint;

// Why this session's display cannot take the wallpaper, in one line for the user; none when it
// can. Only X11 is drawn on for now (a Wayland session through XWayland's DISPLAY). Connects to
// the display once to find out, so call it before anything that would abort on a bad one.
std::optional<std::string> desktopDisplayProblem();

// The X display of this session as its server knows it ("57" for ":57", ":57.0" or "unix:57";
// "host-57" for a remote one), so differently spelt DISPLAY texts name one key. The DISPLAY text
// itself, made safe for a file name, when it is not a display name.
std::string desktopDisplayKey();

// The desktop backend for this session. Wayland's layer shell is not supported yet, so a Wayland
// session runs through XWayland (its DISPLAY); null with the reason when no display can be used.
std::unique_ptr<DesktopBackend> openDesktopBackend(std::string& error);

// The backend's pointer in the driver's screen coordinates (points, y downward).
std::function<std::optional<ScreenPoint>()> pointerSource(DesktopBackend& backend);

}  // namespace lumen::app
