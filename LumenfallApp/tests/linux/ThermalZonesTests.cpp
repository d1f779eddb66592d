#include "platform/linux/ThermalZones.hpp"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>

namespace lumen::app {
namespace {

constexpr std::optional<long> none;

ThermalZone zone(std::optional<long> temperature, std::optional<long> passive, std::optional<long> critical)
{
    return ThermalZone{"thermal_zone0", temperature, passive, critical};
}

TEST(ThermalZones, ClassifiesAgainstTheTripsAtTheirEdgesAndTheWorstZoneDecides)
{
    using L = ThermalLevel;
    const std::tuple<std::optional<long>, std::optional<long>, std::optional<long>, ThermalLevel> cases[] = {
        {69'999, 80'000, 100'000, L::nominal}, {70'000, 80'000, 100'000, L::fair},
        {79'999, 80'000, 100'000, L::fair},    {80'000, 80'000, 100'000, L::serious},
        {94'999, 80'000, 100'000, L::serious}, {95'000, 80'000, 100'000, L::critical},
        // Without a passive trip only the critical one counts; without a temperature nothing does.
        {94'999, none, 100'000, L::nominal},   {95'000, none, 100'000, L::critical},
        {150'000, none, none, L::nominal},     {none, 80'000, 100'000, L::nominal},
    };
    for (const auto& [temperature, passive, critical, level] : cases) {
        EXPECT_EQ(classifyThermalZone(zone(temperature, passive, critical)), level) << temperature.value_or(-1);
    }
    EXPECT_EQ(classifyThermalZones({}), L::nominal);
    EXPECT_EQ(classifyThermalZones({zone(75'000, 80'000, none), zone(40'000, 80'000, none), zone(none, 1, none)}),
              L::fair);
}

TEST(ThermalZones, ReadsZonesAndTheirLowestTripsFromSysfs)
{
    QTemporaryDir dir;
    const std::filesystem::path root = dir.path().toStdString();
    const auto write = [&](const std::string& path, const char* text) {
        std::filesystem::create_directories((root / path).parent_path());
        std::ofstream(root / path) << text << "\n";
    };
    write("thermal_zone0/temp", "71000");
    // 3 is unset (0), 6 lies past a gap and is no trip point.
    const char* trips[][3] = {{"0", "critical", "105000"}, {"1", "passive", "90000"}, {"2", "passive", "80000"},
                              {"3", "passive", "0"}, {"4", "active", "50000"}, {"6", "passive", "60000"}};
    for (const auto& [index, type, temp] : trips) {
        write("thermal_zone0/trip_point_" + std::string(index) + "_type", type);
        write("thermal_zone0/trip_point_" + std::string(index) + "_temp", temp);
    }
    write("thermal_zone1/temp", "n/a");
    write("thermal_zone2/trip_point_0_type", "passive");  // no temp file at all
    write("cooling_device0/temp", "99000");

    const std::vector<ThermalZone> zones = readThermalZones(root);
    ASSERT_EQ(zones.size(), 3u);
    EXPECT_EQ(zones[0].name, "thermal_zone0");
    EXPECT_EQ(zones[0].temperature, 71'000);
    EXPECT_EQ(zones[0].passiveTrip, 80'000);
    EXPECT_EQ(zones[0].criticalTrip, 105'000);
    EXPECT_EQ(zones[1].temperature, none);
    EXPECT_EQ(zones[2].temperature, none);
    EXPECT_EQ(zones[2].passiveTrip, none);
    EXPECT_TRUE(readThermalZones(root / "missing").empty());
}

}  // namespace
}  // namespace lumen::app
