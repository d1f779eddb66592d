#include "platform/linux/ThermalZones.hpp"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>

namespace lumen::app {
namespace {

ThermalZone zone(std::optional<long> temperature, std::optional<long> passive, std::optional<long> critical)
{
    return ThermalZone{"thermal_zone0", temperature, passive, critical};
}

TEST(ThermalZones, ClassifiesAgainstTheTripsAtTheirEdges)
{
    const std::optional<long> none;
    struct Case {
        std::optional<long> temperature, passive, critical;
        ThermalLevel level;
    };
    const Case cases[] = {
        {69'999, 80'000, 100'000, ThermalLevel::nominal},  {70'000, 80'000, 100'000, ThermalLevel::fair},
        {79'999, 80'000, 100'000, ThermalLevel::fair},     {80'000, 80'000, 100'000, ThermalLevel::serious},
        {94'999, 80'000, 100'000, ThermalLevel::serious},  {95'000, 80'000, 100'000, ThermalLevel::critical},
        // Without a passive trip only the critical one counts; without a temperature nothing does.
        {94'999, none, 100'000, ThermalLevel::nominal},    {95'000, none, 100'000, ThermalLevel::critical},
        {150'000, none, none, ThermalLevel::nominal},      {none, 80'000, 100'000, ThermalLevel::nominal},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(classifyThermalZone(zone(c.temperature, c.passive, c.critical)), c.level)
            << c.temperature.value_or(-1) << " against " << c.passive.value_or(-1) << "/" << c.critical.value_or(-1);
    }
    // The worst zone decides.
    EXPECT_EQ(classifyThermalZones({}), ThermalLevel::nominal);
    EXPECT_EQ(classifyThermalZones({zone(75'000, 80'000, none), zone(40'000, 80'000, none), zone(none, 10'000, none)}),
              ThermalLevel::fair);
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
    const char* trips[][2] = {{"critical", "105000"}, {"passive", "90000"}, {"passive", "80000"},
                              {"passive", "0"} /* unset */, {"active", "50000"}};
    for (int i = 0; i < 5; ++i) {
        write("thermal_zone0/trip_point_" + std::to_string(i) + "_type", trips[i][0]);
        write("thermal_zone0/trip_point_" + std::to_string(i) + "_temp", trips[i][1]);
    }
    write("thermal_zone0/trip_point_6_type", "passive");  // past a gap: not a trip point
    write("thermal_zone0/trip_point_6_temp", "60000");
    write("thermal_zone1/temp", "n/a");
    write("thermal_zone2/trip_point_0_type", "passive");  // no temp file at all
    write("cooling_device0/temp", "99000");

    const std::vector<ThermalZone> zones = readThermalZones(root);
    ASSERT_EQ(zones.size(), 3u);
    EXPECT_EQ(zones[0].name, "thermal_zone0");
    EXPECT_EQ(zones[0].temperature, 71'000);
    EXPECT_EQ(zones[0].passiveTrip, 80'000);
    EXPECT_EQ(zones[0].criticalTrip, 105'000);
    EXPECT_EQ(zones[1].temperature, std::nullopt);
    EXPECT_EQ(zones[2].temperature, std::nullopt);
    EXPECT_EQ(zones[2].passiveTrip, std::nullopt);
    EXPECT_TRUE(readThermalZones(root / "missing").empty());
}

}  // namespace
}  // namespace lumen::app
