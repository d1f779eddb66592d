#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace lumen {

// Ordered by severity, so levels compare with < and >.
enum class ThermalLevel : int { nominal = 0, fair = 1, serious = 2, critical = 3 };

namespace ThermalLevelInfo {
inline constexpr std::array<ThermalLevel, 4> allCases{ThermalLevel::nominal, ThermalLevel::fair,
                                                      ThermalLevel::serious, ThermalLevel::critical};
constexpr int rawValue(ThermalLevel level) { return static_cast<int>(level); }
// None outside 0...3.
std::optional<ThermalLevel> fromRawValue(int raw);
// The case name ("nominal", "fair", "serious", "critical"), as the performance log writes it.
std::string_view name(ThermalLevel level);
}  // namespace ThermalLevelInfo

// Power and screen state as the power monitor last saw it. Compared as a whole so that only
// real changes are reported.
struct PowerContext {
    bool onBattery = false;
    bool lowPowerMode = false;
    ThermalLevel thermal = ThermalLevel::nominal;
    bool screenLocked = false;
    bool displaysAsleep = false;
    bool screensaverRunning = false;
    bool systemSleeping = false;

    bool operator==(const PowerContext&) const = default;
};

}  // namespace lumen
