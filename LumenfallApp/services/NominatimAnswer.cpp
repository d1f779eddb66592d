#include "services/NominatimAnswer.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <vector>

namespace lumen::app {

namespace {

using nlohmann::json;

// An answer with limit=1 is three levels deep; deeper values are dropped while reading.
constexpr int deepestLevel = 4;

std::string text(const json& object, const char* key) {
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// jsonv2 gives coordinates as decimal text; numbers are taken too.
std::optional<double> coordinate(const json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end()) return std::nullopt;
    double value = 0;
    if (it->is_number()) {
        value = it->get<double>();
    } else if (it->is_string()) {
        const auto& digits = it->get_ref<const std::string&>();
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::string upper(std::string value) {
    std::transform(value.begin(), value.end(), value.begin(), [](unsigned char c) { return std::toupper(c); });
    return value;
}

// "US-CO" -> "CO"; none when the subdivision part is not letters (Norway's "NO-03").
std::string stateCode(const std::string& subdivision) {
    const auto dash = subdivision.find('-');
    if (dash == std::string::npos || dash + 1 == subdivision.size()) return {};
    const std::string code = subdivision.substr(dash + 1);
    const bool letters =
        std::all_of(code.begin(), code.end(), [](unsigned char c) { return std::isalpha(c) != 0; });
    return letters ? code : std::string();
}

}  // namespace

std::optional<Place> placeFromNominatim(std::string_view answer, const std::string& typed) {
    const auto shallow = [](int depth, json::parse_event_t event, json&) {
        return !(depth > deepestLevel &&
                 (event == json::parse_event_t::object_start || event == json::parse_event_t::array_start));
    };
    const json results = json::parse(answer.begin(), answer.end(), shallow, false);
    if (results.is_discarded() || !results.is_array() || results.empty() || !results.front().is_object()) {
        return std::nullopt;
    }
    const json& first = results.front();
    const auto latitude = coordinate(first, "lat");
    const auto longitude = coordinate(first, "lon");
    if (!latitude || !longitude || !Place::isValid(*latitude, *longitude)) return std::nullopt;

    const auto addressIt = first.find("address");
    const json address = addressIt != first.end() && addressIt->is_object() ? *addressIt : json::object();
    std::string locality;
    for (const char* key : {"city", "town", "village"}) {
        locality = text(address, key);
        if (!locality.empty()) break;
    }
    if (locality.empty()) locality = text(first, "name");
    std::string region = stateCode(text(address, "ISO3166-2-lvl4"));
    if (region.empty()) region = text(address, "state");

    std::string name;
    for (const std::string& part : {locality, region, upper(text(address, "country_code"))}) {
        if (part.empty()) continue;
        if (!name.empty()) name += ", ";
        name += part;
    }
    if (name.empty()) name = typed;
    return Place{name, Place::truncated(*latitude, 4), Place::truncated(*longitude, 4)};
}

}  // namespace lumen::app
