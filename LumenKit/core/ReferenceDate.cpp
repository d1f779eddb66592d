#include "LumenKit/core/ReferenceDate.hpp"

#include <cmath>

namespace lumen::ReferenceDate {

namespace {

// About 220 years either side: well inside the nanosecond clock's ±292 years from 1970.
constexpr double rangeSeconds = 7.0e9;

}  // namespace

double secondsSinceReference(std::chrono::system_clock::time_point instant) {
    using namespace std::chrono;
    // Cast before subtracting: the nanosecond count near the clock's ends would overflow.
    const auto sinceZero =
        duration_cast<microseconds>(instant.time_since_epoch()) - zero.time_since_epoch();
    // Split so the whole seconds stay exact before the fraction is added.
    const auto whole = duration_cast<seconds>(sinceZero);
    return static_cast<double>(whole.count()) +
           static_cast<double>((sinceZero - whole).count()) / 1e6;
}

std::optional<std::chrono::system_clock::time_point> instant(double secondsSinceReference) {
    using namespace std::chrono;
    if (!std::isfinite(secondsSinceReference) || std::abs(secondsSinceReference) > rangeSeconds) {
        return std::nullopt;
    }
    const auto micros = static_cast<std::int64_t>(std::llround(secondsSinceReference * 1e6));
    return time_point_cast<system_clock::duration>(zero + microseconds{micros});
}

}  // namespace lumen::ReferenceDate
