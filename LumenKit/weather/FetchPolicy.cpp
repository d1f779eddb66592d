#include "LumenKit/weather/FetchPolicy.hpp"

#include <cstdint>
#include <limits>

namespace lumen::METNorway {

namespace {

using Clock = std::chrono::system_clock;

// Instants read from a cache file may sit anywhere on the clock: keep the arithmetic exact and
// free of overflow.
Clock::duration elapsedSince(Clock::time_point earlier, Clock::time_point later) {
    const auto difference = static_cast<std::uint64_t>(later.time_since_epoch().count()) -
                            static_cast<std::uint64_t>(earlier.time_since_epoch().count());
    constexpr auto largest = static_cast<std::uint64_t>(std::numeric_limits<Clock::rep>::max());
    return Clock::duration{static_cast<Clock::rep>(difference > largest ? largest : difference)};
}

Clock::time_point saturatingAdd(Clock::time_point instant, std::chrono::seconds delay) {
    const Clock::duration step = delay;
    if (instant > Clock::time_point::max() - step) {
        return Clock::time_point::max();
    }
    return instant + step;
}

bool isUsable(const std::optional<Place>& place) {
    return place && Place::isValid(place->latitude, place->longitude);
}

}  // namespace

bool FetchPolicy::shouldFetch(Clock::time_point now, const std::optional<Place>& place,
                              const CacheState& cache) {
    if (!isUsable(place)) {
        return false;
    }
    if (!cache.lastAttempt) {
        return true;
    }
    if (now < *cache.lastAttempt) {
        return true;  // the clock went back: waiting could take arbitrarily long
    }
    const auto elapsed = elapsedSince(*cache.lastAttempt, now);
    if (cache.place == place) {
        if (elapsed < minimumInterval) {
            return false;
        }
        return !cache.expires || now >= *cache.expires;
    }
    return elapsed >= placeChangeDelay;
}

std::optional<Clock::time_point> FetchPolicy::nextFetch(Clock::time_point now,
                                                        const std::optional<Place>& place,
                                                        const CacheState& cache) {
    // Unusable coordinates are never due, so there is no instant to give.
    if (!isUsable(place)) {
        return std::nullopt;
    }
    if (!cache.lastAttempt || now < *cache.lastAttempt) {
        return now;
    }
    Clock::time_point due;
    if (cache.place == place) {
        due = saturatingAdd(*cache.lastAttempt, minimumInterval);
        if (cache.expires && *cache.expires > due) {
            due = *cache.expires;
        }
    } else {
        due = saturatingAdd(*cache.lastAttempt, placeChangeDelay);
    }
    return due > now ? due : now;
}

}  // namespace lumen::METNorway
