#pragma once

#include "LumenKit/core/Vector.hpp"

#include <chrono>
#include <cstdint>

namespace lumen {

// The real sky for one moment and place: local clock, sun and moon. Angles are degrees, computed
// in double precision and kept as floats, which is all the scenes need.
struct SkyState {
    // Seconds since 1970-01-01 UTC held as a double; a system_clock time point converts implicitly.
    using Instant = std::chrono::time_point<std::chrono::system_clock, std::chrono::duration<double>>;

    Instant date{};
    float hour = 0;                // local clock hour, 0 <= hour < 24
    std::int64_t dayOfYear = 180;  // 1 = 1 January; 180 when the calendar cannot say
    float sunElevation = 0;        // -90...90, no refraction
    float sunAzimuth = 0;          // 0 north, 90 east, [0, 360)
    float moonElevation = 0;
    float moonAzimuth = 0;
    float moonPhase = 0;           // [0, 1): 0 new, 0.25 first quarter, 0.5 full
    float moonIllumination = 0;    // lit fraction of the disc
    double latitude = 0;           // degrees north actually used
    double longitude = 0;          // degrees east actually used

    bool operator==(const SkyState&) const = default;

    // View frame: +y up, the viewer looks along -z towards compass bearing `facing`, +x is to
    // the viewer's right. All arguments in degrees; the result has unit length.
    static Float3 direction(double azimuth, double elevation, double facing);
    Float3 sunDirection(double facing) const;
    Float3 moonDirection(double facing) const;

    // Smoothstep of the sun's elevation: 0 at 10 degrees below the horizon, 1 from 8 above.
    float daylight() const;
};

}  // namespace lumen
