#pragma once

#include <chrono>
#include <optional>

namespace lumen {

// Stored instants are numbers of seconds since 2001-01-01 00:00:00 UTC (the weather cache file
// and the weather state's JSON form use this).
namespace ReferenceDate {

// 2001-01-01 00:00:00 UTC on the system clock.
inline constexpr std::chrono::sys_seconds zero{std::chrono::seconds{978307200}};

double secondsSinceReference(std::chrono::system_clock::time_point instant);

// Rounded to the microsecond, which a double keeps exactly for more than a century either
// side of the reference.
// None when the number is not finite or lies beyond what the system clock can hold.
std::optional<std::chrono::system_clock::time_point> instant(double secondsSinceReference);

}  // namespace ReferenceDate

}  // namespace lumen
