#pragma once

#include <string>

namespace lumen::app {

// Why no place came back, with the line the user is shown.
struct PlaceError {
    enum class Kind { failed, notFound, denied };

    Kind kind = Kind::notFound;
    std::string message;  // `failed` only: what went wrong

    static PlaceError failed(std::string message) { return {Kind::failed, std::move(message)}; }
    static PlaceError notFound() { return {Kind::notFound, {}}; }
    static PlaceError denied() { return {Kind::denied, {}}; }
    // Offline, or the look-up service did not answer.
    static PlaceError unreachable();

    bool operator==(const PlaceError&) const = default;

    std::string text() const;
};

}  // namespace lumen::app
