#include "LumenKit/policy/PauseReason.hpp"

namespace lumen::PauseReasonInfo {

std::string_view rawValue(PauseReason reason) {
    switch (reason) {
        case PauseReason::user: return "user";
        case PauseReason::systemSleep: return "systemSleep";
        case PauseReason::locked: return "locked";
        case PauseReason::displayAsleep: return "displayAsleep";
        case PauseReason::screensaver: return "screensaver";
        case PauseReason::covered: return "covered";
        case PauseReason::thermal: return "thermal";
        case PauseReason::battery: return "battery";
        case PauseReason::lowPower: return "lowPower";
        case PauseReason::noGraphicsHardware: return "noGraphicsHardware";
    }
    return "user";
}

std::optional<PauseReason> fromRawValue(std::string_view raw) {
    for (PauseReason reason : allCases) {
        if (rawValue(reason) == raw) return reason;
    }
    return std::nullopt;
}

std::string_view statusText(PauseReason reason) {
    switch (reason) {
        case PauseReason::user: return "Paused";
        case PauseReason::systemSleep: return "Paused while the computer sleeps";
        case PauseReason::locked: return "Paused while the screen is locked";
        case PauseReason::displayAsleep: return "Paused while the display sleeps";
        case PauseReason::screensaver: return "Paused during the screen saver";
        case PauseReason::covered: return "Paused while covered";
        case PauseReason::thermal: return "Paused: the computer is very hot";
        // Battery and power saver keep a still frame on screen rather than a blank wallpaper.
        case PauseReason::battery: return "Still frame on battery";
        case PauseReason::lowPower: return "Still frame in power saver";
        // A software rasteriser takes whole cores for a slideshow: a still costs nothing.
        case PauseReason::noGraphicsHardware: return "Still frame: no graphics hardware";
    }
    return "Paused";
}

}  // namespace lumen::PauseReasonInfo
