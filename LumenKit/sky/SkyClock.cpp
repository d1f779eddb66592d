#include "LumenKit/sky/SkyClock.hpp"

#include "LumenKit/sky/CelestialFrame.hpp"

#include <date/date.h>
#include <date/tz.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace lumen::SkyClock {

namespace {

using CelestialFrame::degrees;
using CelestialFrame::radians;
using CelestialFrame::reducedDegrees;
using std::chrono::seconds;
using std::chrono::sys_seconds;

// About 3000 years either side of 1970: far beyond any real use, well inside what the calendar
// and the zone files can convert without overflow.
constexpr double calendarLimitSeconds = 1e11;

std::optional<sys_seconds> calendarSeconds(SkyState::Instant date) {
    const double s = date.time_since_epoch().count();
    if (!std::isfinite(s) || std::abs(s) > calendarLimitSeconds) return std::nullopt;
    return sys_seconds{seconds{static_cast<std::int64_t>(std::floor(s))}};
}

::date::local_seconds localTime(sys_seconds instant, const ::date::time_zone* zone) {
    if (zone == nullptr) return ::date::local_seconds{instant.time_since_epoch()};
    return zone->to_local(instant);
}

bool withinCalendar(sys_seconds instant) {
    return std::abs(static_cast<double>(instant.time_since_epoch().count())) <=
           calendarLimitSeconds;
}

// The system zone files flag daylight saving without its amount, so the standard offset is read
// from the nearest period without it: the previous ones first, then the following ones.
seconds standardOffset(const ::date::time_zone* zone, sys_seconds instant) {
    const ::date::sys_info info = zone->get_info(instant);
    if (info.save == std::chrono::minutes{0}) return info.offset;
    constexpr int maxPeriods = 8;
    ::date::sys_info probe = info;
    for (int i = 0; i < maxPeriods && withinCalendar(probe.begin); ++i) {
        probe = zone->get_info(probe.begin - seconds{1});
        if (probe.save == std::chrono::minutes{0}) return probe.offset;
    }
    probe = info;
    for (int i = 0; i < maxPeriods && withinCalendar(probe.end); ++i) {
        probe = zone->get_info(probe.end);
        if (probe.save == std::chrono::minutes{0}) return probe.offset;
    }
    return info.offset - std::chrono::hours{1};
}

struct ClockFields {
    float hour = 0;
    std::int64_t dayOfYear = 180;
};

ClockFields clockFields(SkyState::Instant date, const ::date::time_zone* zone) {
    const auto instant = calendarSeconds(date);
    if (!instant) return {};
    const ::date::local_seconds local = localTime(*instant, zone);
    const auto day = ::date::floor<::date::days>(local);
    const ::date::hh_mm_ss<seconds> time{local - day};
    const ::date::year_month_day ymd{day};
    const auto firstOfYear = ::date::local_days{ymd.year() / ::date::January / 1};
    ClockFields fields;
    fields.hour = static_cast<float>(time.hours().count()) +
                  static_cast<float>(time.minutes().count()) / 60.0f +
                  static_cast<float>(time.seconds().count()) / 3600.0f;
    fields.dayOfYear = static_cast<std::int64_t>((day - firstOfYear).count()) + 1;
    return fields;
}

// Azimuths and the phase are half-open ranges; rounding to float must not land on the end.
float storedTurn(double value, float end) {
    const float f = static_cast<float>(value);
    return f >= end ? 0.0f : f;
}

}  // namespace

double daysSinceJ2000(SkyState::Instant date) {
    return date.time_since_epoch().count() / 86400.0 + 2440587.5 - 2451545.0;
}

SolarEcliptic solarEcliptic(double days) {
    const double meanLongitude = reducedDegrees(280.46 + 0.9856474 * days);
    const double g = radians(reducedDegrees(357.528 + 0.9856003 * days));
    return {reducedDegrees(meanLongitude + 1.915 * std::sin(g) + 0.020 * std::sin(2 * g)),
            23.439 - 0.0000004 * days};
}

SunPosition sunPosition(SkyState::Instant date, double latitude, double longitude) {
    const SolarEcliptic ecliptic = solarEcliptic(daysSinceJ2000(date));
    const double lambda = radians(ecliptic.longitude);
    const double epsilon = radians(ecliptic.obliquity);
    const double alpha = std::atan2(std::sin(lambda) * std::cos(epsilon), std::cos(lambda));
    const double delta = std::asin(std::sin(epsilon) * std::sin(lambda));
    const HorizontalCoordinates p = CelestialFrame::horizontal(
        degrees(alpha), degrees(delta), CelestialFrame::localSiderealTime(date, longitude),
        latitude);
    return {p.altitude, p.azimuth};
}

MoonPosition moonPosition(SkyState::Instant date, double latitude, double longitude) {
    const double d = daysSinceJ2000(date);
    const SolarEcliptic sun = solarEcliptic(d);
    const double meanLongitude = reducedDegrees(218.316 + 13.176396 * d);
    const double meanAnomaly = radians(reducedDegrees(134.963 + 13.064993 * d));
    const double argumentOfLatitude = radians(reducedDegrees(93.272 + 13.22935 * d));
    const double lambdaDegrees = reducedDegrees(meanLongitude + 6.289 * std::sin(meanAnomaly));
    const double lambda = radians(lambdaDegrees);
    const double beta = radians(5.128 * std::sin(argumentOfLatitude));
    const double epsilon = radians(sun.obliquity);

    const double alpha = std::atan2(
        std::sin(lambda) * std::cos(epsilon) - std::tan(beta) * std::sin(epsilon), std::cos(lambda));
    const double sinDelta = std::clamp(std::sin(beta) * std::cos(epsilon) +
                                           std::cos(beta) * std::sin(epsilon) * std::sin(lambda),
                                       -1.0, 1.0);
    const HorizontalCoordinates p = CelestialFrame::horizontal(
        degrees(alpha), degrees(std::asin(sinDelta)),
        CelestialFrame::localSiderealTime(date, longitude), latitude);

    const double elongation = reducedDegrees(lambdaDegrees - sun.longitude);
    return {p.altitude, p.azimuth, elongation / 360.0, (1 - std::cos(radians(elongation))) / 2};
}

double fallbackLongitude(const date::time_zone* timeZone, SkyState::Instant date) {
    const auto instant = calendarSeconds(date);
    if (timeZone == nullptr || !instant) return 0;
    return static_cast<double>(standardOffset(timeZone, *instant).count()) / 3600.0 * 15.0;
}

SkyState state(SkyState::Instant date, const std::optional<Place>& place,
               const date::time_zone* timeZone) {
    SkyState sky;
    sky.date = date;
    sky.latitude = place ? place->latitude : defaultLatitude;
    sky.longitude = place ? place->longitude : fallbackLongitude(timeZone, date);

    const ClockFields clock = clockFields(date, timeZone);
    sky.hour = clock.hour;
    sky.dayOfYear = clock.dayOfYear;

    const SunPosition sun = sunPosition(date, sky.latitude, sky.longitude);
    sky.sunElevation = static_cast<float>(sun.elevation);
    sky.sunAzimuth = storedTurn(sun.azimuth, 360.0f);

    const MoonPosition moon = moonPosition(date, sky.latitude, sky.longitude);
    sky.moonElevation = static_cast<float>(moon.elevation);
    sky.moonAzimuth = storedTurn(moon.azimuth, 360.0f);
    sky.moonPhase = storedTurn(moon.phase, 1.0f);
    sky.moonIllumination = static_cast<float>(moon.illumination);
    return sky;
}

SkyState state(SkyState::Instant date, double hour, const std::optional<Place>& place,
               const date::time_zone* timeZone) {
    const auto instant = calendarSeconds(date);
    if (!instant) return state(date, place, timeZone);
    const auto day = ::date::floor<::date::days>(localTime(*instant, timeZone));
    // Where midnight is skipped by daylight saving the day starts at the transition itself.
    const sys_seconds start =
        timeZone == nullptr
            ? sys_seconds{day.time_since_epoch()}
            : timeZone->to_sys(::date::local_seconds{day}, ::date::choose::earliest);
    const SkyState::Instant at = SkyState::Instant{start} + std::chrono::duration<double>{hour * 3600.0};
    return state(at, place, timeZone);
}

}  // namespace lumen::SkyClock
