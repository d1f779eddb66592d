#pragma once

#include "LumenKit/weather/CacheState.hpp"
#include "LumenKit/catalog/Place.hpp"

#include <chrono>
#include <optional>

namespace lumen::METNorway {

// When to ask the forecast service: at most once an hour for an unchanged place (later when the
// answer's "Expires" says so), and not more than every ten minutes while the place changes.
struct FetchPolicy {
    static constexpr std::chrono::seconds minimumInterval{3600};
    static constexpr std::chrono::seconds placeChangeDelay{600};
    // A stored answer older than this is no longer shown.
    static constexpr std::chrono::seconds staleAfter{21600};

    static bool shouldFetch(std::chrono::system_clock::time_point now,
                            const std::optional<Place>& place, const CacheState& cache);

    // None without a place; `now` when nothing was ever attempted.
    static std::optional<std::chrono::system_clock::time_point> nextFetch(
        std::chrono::system_clock::time_point now, const std::optional<Place>& place,
        const CacheState& cache);
};

}  // namespace lumen::METNorway
