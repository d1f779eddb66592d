#include "platform/linux/ThermalZones.hpp"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string_view>
#include <system_error>

namespace lumen::app {

namespace {

constexpr long kFairMargin = 10'000;     // below the passive trip
constexpr long kCriticalMargin = 5'000;  // below the critical trip

std::optional<std::string> readLine(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line)) return std::nullopt;
    return line;
}

std::optional<long> readMillidegrees(const std::filesystem::path& path)
{
    std::optional<std::string> text = readLine(path);
    if (!text) return std::nullopt;
    std::string_view digits(*text);
    while (!digits.empty() && (digits.back() == ' ' || digits.back() == '\r')) digits.remove_suffix(1);
    long value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) return std::nullopt;
    return value;
}

void keepLowest(std::optional<long>& trip, long value)
{
    if (value <= 0) return;
    if (!trip || value < *trip) trip = value;
}

ThermalZone readZone(const std::filesystem::directory_entry& entry)
{
    ThermalZone zone;
    zone.name = entry.path().filename().string();
    zone.temperature = readMillidegrees(entry.path() / "temp");
    // Trip points are numbered from 0 without gaps.
    for (int index = 0;; ++index) {
        const std::string prefix = "trip_point_" + std::to_string(index);
        std::optional<std::string> type = readLine(entry.path() / (prefix + "_type"));
        if (!type) break;
        std::optional<long> temp = readMillidegrees(entry.path() / (prefix + "_temp"));
        if (!temp) continue;
        if (*type == "passive") keepLowest(zone.passiveTrip, *temp);
        else if (*type == "critical") keepLowest(zone.criticalTrip, *temp);
    }
    return zone;
}

}  // namespace

std::vector<ThermalZone> readThermalZones(const std::filesystem::path& root)
{
    std::vector<ThermalZone> zones;
    std::error_code error;
    std::filesystem::directory_iterator it(root, error);
    if (error) return zones;
    for (const auto& entry : it) {
        if (!entry.path().filename().string().starts_with("thermal_zone")) continue;
        zones.push_back(readZone(entry));
    }
    std::sort(zones.begin(), zones.end(), [](const ThermalZone& a, const ThermalZone& b) { return a.name < b.name; });
    return zones;
}

ThermalLevel classifyThermalZone(const ThermalZone& zone)
{
    if (!zone.temperature) return ThermalLevel::nominal;
    const long t = *zone.temperature;
    if (zone.criticalTrip && t >= *zone.criticalTrip - kCriticalMargin) return ThermalLevel::critical;
    if (!zone.passiveTrip) return ThermalLevel::nominal;
    if (t >= *zone.passiveTrip) return ThermalLevel::serious;
    if (t >= *zone.passiveTrip - kFairMargin) return ThermalLevel::fair;
    return ThermalLevel::nominal;
}

ThermalLevel classifyThermalZones(const std::vector<ThermalZone>& zones)
{
    ThermalLevel worst = ThermalLevel::nominal;
    for (const ThermalZone& zone : zones) worst = std::max(worst, classifyThermalZone(zone));
    return worst;
}

}  // namespace lumen::app
