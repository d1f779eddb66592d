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

void write(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

TEST(ThermalZones, ClassifiesAgainstTheTripsAtTheirEdges)
{
    auto level = [](long t) { return classifyThermalZone(zone(t, 80'000, 100'000)); };
    EXPECT_EQ(level(69'999), ThermalLevel::nominal);
    EXPECT_EQ(level(70'000), ThermalLevel::fair);
    EXPECT_EQ(level(79'999), ThermalLevel::fair);
    EXPECT_EQ(level(80'000), ThermalLevel::serious);
    EXPECT_EQ(level(94'999), ThermalLevel::serious);
    EXPECT_EQ(level(95'000), ThermalLevel::critical);
}

TEST(ThermalZones, WithoutAPassiveTripOnlyTheCriticalOneCounts)
{
    EXPECT_EQ(classifyThermalZone(zone(94'999, std::nullopt, 100'000)), ThermalLevel::nominal);
    EXPECT_EQ(classifyThermalZone(zone(95'000, std::nullopt, 100'000)), ThermalLevel::critical);
    EXPECT_EQ(classifyThermalZone(zone(150'000, std::nullopt, std::nullopt)), ThermalLevel::nominal);
    EXPECT_EQ(classifyThermalZone(zone(std::nullopt, 80'000, 100'000)), ThermalLevel::nominal);
}

TEST(ThermalZones, TheWorstZoneDecides)
{
    EXPECT_EQ(classifyThermalZones({}), ThermalLevel::nominal);
    EXPECT_EQ(classifyThermalZones({zone(75'000, 80'000, std::nullopt), zone(40'000, 80'000, std::nullopt),
                                    zone(std::nullopt, 10'000, std::nullopt)}),
              ThermalLevel::fair);
}

TEST(ThermalZones, ReadsZonesAndTheirLowestTripsFromSysfs)
{
    QTemporaryDir dir;
    const std::filesystem::path root = dir.path().toStdString();
    const std::filesystem::path first = root / "thermal_zone0";
    write(first / "temp", "71000\n");
    write(first / "trip_point_0_type", "critical\n");
    write(first / "trip_point_0_temp", "105000\n");
    write(first / "trip_point_1_type", "passive\n");
    write(first / "trip_point_1_temp", "90000\n");
    write(first / "trip_point_2_type", "passive\n");
    write(first / "trip_point_2_temp", "80000\n");
    write(first / "trip_point_3_type", "passive\n");  // unset
    write(first / "trip_point_3_temp", "0\n");
    write(first / "trip_point_4_type", "active\n");
    write(first / "trip_point_4_temp", "50000\n");
    write(first / "trip_point_6_type", "passive\n");  // past a gap: not a trip point
    write(first / "trip_point_6_temp", "60000\n");
    write(root / "thermal_zone1" / "temp", "n/a\n");
    write(root / "thermal_zone2" / "trip_point_0_type", "passive\n");  // no temp file at all
    write(root / "cooling_device0" / "temp", "99000\n");

    const std::vector<ThermalZone> zones = readThermalZones(root);
    ASSERT_EQ(zones.size(), 3u);
    EXPECT_EQ(zones[0].name, "thermal_zone0");
    EXPECT_EQ(zones[0].temperature, 71'000);
    EXPECT_EQ(zones[0].passiveTrip, 80'000);
    EXPECT_EQ(zones[0].criticalTrip, 105'000);
    EXPECT_EQ(zones[1].temperature, std::nullopt);
    EXPECT_EQ(zones[2].temperature, std::nullopt);
    EXPECT_EQ(zones[2].passiveTrip, std::nullopt);
    EXPECT_EQ(classifyThermalZones(zones), ThermalLevel::fair);

    EXPECT_TRUE(readThermalZones(root / "missing").empty());
}

}  // namespace
}  // namespace lumen::app
