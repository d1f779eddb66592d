#pragma once

#include <cstdint>
#include <string>

namespace lumen::app {

// What the menu and the settings window show for one wallpaper display.
struct DisplayStatus {
    std::uint32_t id = 0;
    std::string name;    // the screen's name, or "Display"
    std::string pixels;  // native size as "3840×2160"; empty without a screen
    std::string label;   // the status text of the display's decision

    bool operator==(const DisplayStatus&) const = default;
};

}  // namespace lumen::app
