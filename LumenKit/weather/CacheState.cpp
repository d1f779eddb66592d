#include "LumenKit/weather/CacheState.hpp"

#include "LumenKit/core/ReferenceDate.hpp"

#include <nlohmann/json.hpp>

namespace lumen::METNorway {

namespace {

// A key that is missing or null is absent; any other value must read or the record fails.
template <typename T, typename Read>
bool readOptional(const nlohmann::json& json, const char* key, std::optional<T>& field,
                  Read read) {
    const auto it = json.find(key);
    if (it == json.end() || it->is_null()) {
        return true;
    }
    field = read(*it);
    return field.has_value();
}

std::optional<std::chrono::system_clock::time_point> readInstant(const nlohmann::json& value) {
    if (!value.is_number()) {
        return std::nullopt;
    }
    return ReferenceDate::instant(value.get<double>());
}

std::optional<std::string> readText(const nlohmann::json& value) {
    if (!value.is_string()) {
        return std::nullopt;
    }
    return value.get<std::string>();
}

}  // namespace

nlohmann::json CacheState::toJSON() const {
    nlohmann::json json = nlohmann::json::object();
    if (place) {
        json["place"] = place->toJSON();
    }
    const auto putInstant = [&json](const char* key, const auto& instant) {
        if (instant) {
            json[key] = ReferenceDate::secondsSinceReference(*instant);
        }
    };
    putInstant("lastAttempt", lastAttempt);
    putInstant("lastSuccess", lastSuccess);
    putInstant("expires", expires);
    if (lastModified) {
        json["lastModified"] = *lastModified;
    }
    return json;
}

std::optional<CacheState> CacheState::fromJSON(const nlohmann::json& json) {
    if (!json.is_object()) {
        return std::nullopt;
    }
    CacheState state;
    const bool readable =
        readOptional(json, "place", state.place, Place::fromJSON) &&
        readOptional(json, "lastAttempt", state.lastAttempt, readInstant) &&
        readOptional(json, "lastSuccess", state.lastSuccess, readInstant) &&
        readOptional(json, "expires", state.expires, readInstant) &&
        readOptional(json, "lastModified", state.lastModified, readText);
    if (!readable) {
        return std::nullopt;
    }
    return state;
}

}  // namespace lumen::METNorway
