#include "LumenKit/catalog/Place.hpp"

#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>

namespace lumen {

bool Place::isValid(double latitude, double longitude) {
    // NaN fails both comparisons, so it is never valid.
    return std::abs(latitude) <= 90.0 && std::abs(longitude) <= 180.0;
}

double Place::truncated(double value, int places) {
    const double scale = std::pow(10.0, places);
    double scaled = value * scale;
    if (!std::isfinite(scaled)) {
        return value;
    }
    // 0.29 * 100 comes out as 28.999999999999996; a product within a few ulps of a whole
    // number is that number, or truncation would drop a digit the value really has.
    const double nearest = std::round(scaled);
    const double tolerance = 8 * std::numeric_limits<double>::epsilon() * std::abs(scaled);
    if (std::abs(scaled - nearest) <= tolerance) {
        scaled = nearest;
    }
    return std::trunc(scaled) / scale;
}

nlohmann::json Place::toJSON() const {
    return nlohmann::json{{"name", name}, {"latitude", latitude}, {"longitude", longitude}};
}

std::optional<Place> Place::fromJSON(const nlohmann::json& json) {
    if (!json.is_object()) {
        return std::nullopt;
    }
    const auto name = json.find("name");
    const auto latitude = json.find("latitude");
    const auto longitude = json.find("longitude");
    if (name == json.end() || latitude == json.end() || longitude == json.end()) {
        return std::nullopt;
    }
    if (!name->is_string() || !latitude->is_number() || !longitude->is_number()) {
        return std::nullopt;
    }
    return Place{name->get<std::string>(), latitude->get<double>(), longitude->get<double>()};
}

}  // namespace lumen
