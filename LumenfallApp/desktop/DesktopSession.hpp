#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace lumen::app {

class DesktopBackend;
struct ScreenPoint;

// The desktop backend for this session. Wayland's layer shell is not supported yet, so a Wayland
// session runs through XWayland (its DISPLAY); null with the reason when no display can be used.
std::unique_ptr<DesktopBackend> openDesktopBackend(std::string& error);

// The backend's pointer in the driver's screen coordinates (points, y downward).
std::function<std::optional<ScreenPoint>()> pointerSource(DesktopBackend& backend);

}  // namespace lumen::app
