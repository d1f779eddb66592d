#include "services/PlaceError.hpp"

namespace lumen::app {

PlaceError PlaceError::unreachable() {
    return failed("Couldn’t reach OpenStreetMap’s place lookup. Check the internet connection and try again.");
}

std::string PlaceError::text() const {
    switch (kind) {
    case Kind::failed: return message;
    case Kind::notFound: return "No place by that name was found. Try a city and country, or a ZIP code.";
    case Kind::denied:
        return "Location access is off for Lumenfall. Type a city instead, or allow it in your desktop’s privacy "
               "settings (location services).";
    }
    return message;
}

}  // namespace lumen::app
