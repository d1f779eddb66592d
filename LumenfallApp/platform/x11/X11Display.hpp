#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumen::app {

// The X server a DISPLAY text leads to: the host (empty for a local socket) and the display
// number; the screen is not part of it. ":57", ":57.0", "unix:57" and "unix/:57.1" are one display.
struct X11DisplayAddress {
    std::string host;
    int number = 0;
    bool operator==(const X11DisplayAddress&) const = default;
};

// None when the text is not a display name.
std::optional<X11DisplayAddress> parseX11Display(std::string_view name);

// Opens and closes a plain connection to the display `name`, so a display that cannot be used is
// found before anything that would abort on it connects. None when it opened; otherwise one line
// for the user saying why. Blocks for as long as connecting takes (a remote host: its name lookup).
std::optional<std::string> x11ConnectProblem(const std::string& name);

}  // namespace lumen::app
