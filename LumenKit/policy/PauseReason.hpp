#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace lumen {

// Why a display does not animate. Declaration order is the order of allCases.
enum class PauseReason {
    user,
    systemSleep,
    locked,
    displayAsleep,
    screensaver,
    covered,
    thermal,
    battery,
    lowPower,
    noGraphicsHardware,
};

namespace PauseReasonInfo {
inline constexpr std::array<PauseReason, 10> allCases{
    PauseReason::user,          PauseReason::systemSleep, PauseReason::locked,
    PauseReason::displayAsleep, PauseReason::screensaver, PauseReason::covered,
    PauseReason::thermal,       PauseReason::battery,     PauseReason::lowPower,
    PauseReason::noGraphicsHardware,
};
std::string_view rawValue(PauseReason reason);
std::optional<PauseReason> fromRawValue(std::string_view raw);
// What the menu and the log show for a display paused for this reason.
std::string_view statusText(PauseReason reason);
}  // namespace PauseReasonInfo

}  // namespace lumen
