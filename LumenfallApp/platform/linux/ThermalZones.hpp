#pragma once

#include "LumenKit/policy/PowerContext.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lumen::app {

// One kernel thermal zone, temperatures in millidegrees Celsius as sysfs gives them.
struct ThermalZone {
    std::string name;                   // "thermal_zone0"
    std::optional<long> temperature;    // none when unreadable (a sleeping sensor answers EIO)
    std::optional<long> passiveTrip;    // the lowest passive trip point
    std::optional<long> criticalTrip;   // the lowest critical trip point
};

// Every thermal_zone* under `root` (normally /sys/class/thermal), sorted by name. Trip points at
// or below 0 °C are placeholders some firmware leaves unset and count as absent.
std::vector<ThermalZone> readThermalZones(const std::filesystem::path& root);

// Within 5 °C of the critical trip: critical. At or past the passive trip: serious; less than
// 10 °C below it: fair. Otherwise, and without a temperature, nominal. A zone with only a
// critical trip is thus nominal until it nears that trip.
ThermalLevel classifyThermalZone(const ThermalZone& zone);

// The worst zone decides; no zones is nominal.
ThermalLevel classifyThermalZones(const std::vector<ThermalZone>& zones);

}  // namespace lumen::app
