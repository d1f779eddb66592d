#pragma once

#include "LumenKit/catalog/Place.hpp"

#include <nlohmann/json_fwd.hpp>

#include <chrono>
#include <optional>
#include <string>

namespace lumen::METNorway {

// Forecast bookkeeping that survives restarts. A fresh record has every field absent.
struct CacheState {
    std::optional<Place> place;  // of the last stored answer
    std::optional<std::chrono::system_clock::time_point> lastAttempt;
    std::optional<std::chrono::system_clock::time_point> lastSuccess;
    std::optional<std::chrono::system_clock::time_point> expires;  // the last "Expires" header
    std::optional<std::string> lastModified;  // sent back verbatim as "If-Modified-Since"

    bool operator==(const CacheState&) const = default;

    // Absent fields are left out; instants are seconds since 2001-01-01 UTC.
    nlohmann::json toJSON() const;
    // Strict: no value unless `json` is an object whose present keys all read. The weather
    // cache file is ignored whole when it is broken, so nothing half-read is ever used.
    static std::optional<CacheState> fromJSON(const nlohmann::json& json);
};

}  // namespace lumen::METNorway
