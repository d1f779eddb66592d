#pragma once

#include <nlohmann/json_fwd.hpp>

#include <optional>
#include <string>

namespace lumen {

// Where the sky and the weather are computed: a display name and a position in degrees.
struct Place {
    std::string name;
    double latitude = 0;   // degrees north
    double longitude = 0;  // degrees east

    bool operator==(const Place&) const = default;

    // |latitude| <= 90 and |longitude| <= 180; NaN is never valid.
    static bool isValid(double latitude, double longitude);
    // Cuts towards zero to `places` decimals: truncated(-104.987, 2) == -104.98.
    static double truncated(double value, int places);

    // JSON form {"name", "latitude", "longitude"}. Decoding gives no value unless all three
    // members are present with the right types.
    nlohmann::json toJSON() const;
    static std::optional<Place> fromJSON(const nlohmann::json& json);
};

}  // namespace lumen
