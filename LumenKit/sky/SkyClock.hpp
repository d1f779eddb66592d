#pragma once

#include "LumenKit/catalog/Place.hpp"
#include "LumenKit/sky/SkyState.hpp"

#include <optional>

namespace date {
class time_zone;
}

namespace lumen {

// The sun's apparent ecliptic longitude and the obliquity of the ecliptic, degrees.
struct SolarEcliptic {
    double longitude = 0;
    double obliquity = 0;
    bool operator==(const SolarEcliptic&) const = default;
};

struct SunPosition {
    double elevation = 0;  // degrees
    double azimuth = 0;    // degrees, [0, 360)
    bool operator==(const SunPosition&) const = default;
};

struct MoonPosition {
    double elevation = 0;     // degrees
    double azimuth = 0;       // degrees, [0, 360)
    double phase = 0;         // [0, 1): elongation from the sun / 360
    double illumination = 0;  // lit fraction, 0...1
    bool operator==(const MoonPosition&) const = default;
};

// Closed-form almanac: cheap enough to call every few seconds; the sun is good to a fraction of
// a degree, the moon to a degree or two.
// A null time zone means UTC.
namespace SkyClock {

inline constexpr double defaultLatitude = 40.7;

// The sky at `date`; without a place, at defaultLatitude and the zone's standard meridian.
SkyState state(SkyState::Instant date, const std::optional<Place>& place,
               const date::time_zone* timeZone);
// The sky at clock hour `hour` of the local day (in `timeZone`) that contains `date`.
SkyState state(SkyState::Instant date, double hour, const std::optional<Place>& place,
               const date::time_zone* timeZone);

SunPosition sunPosition(SkyState::Instant date, double latitude, double longitude);
MoonPosition moonPosition(SkyState::Instant date, double latitude, double longitude);
SolarEcliptic solarEcliptic(double days);

// Days since J2000.0 (2000-01-01 12:00 UTC): the Julian date minus 2451545.
double daysSinceJ2000(SkyState::Instant date);
// 15 degrees per hour of the zone's standard offset from UTC at `date` (daylight saving removed).
double fallbackLongitude(const date::time_zone* timeZone, SkyState::Instant date);

}  // namespace SkyClock

}  // namespace lumen
