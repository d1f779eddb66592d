#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace lumen::app {

class DesktopBackend;
struct ScreenPoint;

// The launch switch -desktopBackend: "wayland" or "x11" forces that backend; empty chooses.
// Wayland's layer shell where WAYLAND_DISPLAY names a compositor that offers it, else X11 (also
// XWayland's DISPLAY in a Wayland session).
enum class DesktopKind { automatic, wayland, x11 };
// None for a text that names no backend.
std::optional<DesktopKind> parseDesktopKind(const std::string& text);

// Why this session's display cannot take the wallpaper, in one line for the user; none when it
// can. Connects to the display once to find out, so call it before anything that would abort on
// a bad one.
std::optional<std::string> desktopDisplayProblem(DesktopKind kind = DesktopKind::automatic);

// Where Qt itself cannot open the display (a Wayland session without DISPLAY, and Qt without its
// Wayland platform), sets Qt's platform to one that starts; the wallpaper draws on its own
// connection either way. Call before the QApplication is made.
void chooseQtPlatform();

// The display of this session as its server knows it: for X11 "57" for ":57", ":57.0" or
// "unix:57", "host-57" for a remote one, so differently spelt DISPLAY texts name one key; for a
// session with WAYLAND_DISPLAY only, that name. Made safe for a file name.
std::string desktopDisplayKey();

// The desktop backend for this session, with a log line saying which and why; null with the
// reason when no display can be used. When the compositor goes away later the application quits
// with status 1 and a message on standard error.
std::unique_ptr<DesktopBackend> openDesktopBackend(std::string& error, DesktopKind kind = DesktopKind::automatic);

// The backend's pointer in the driver's screen coordinates (points, y downward).
std::function<std::optional<ScreenPoint>()> pointerSource(DesktopBackend& backend);

}  // namespace lumen::app
