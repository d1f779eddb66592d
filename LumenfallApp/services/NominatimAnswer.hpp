#pragma once

#include "LumenKit/catalog/Place.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace lumen::app {

// Reads the first result of a Nominatim search answer (format=jsonv2, addressdetails=1) into a
// place: named by its city, town or village (else the result's own name), its state's code (else
// the state) and its country code in capitals, the non-empty ones joined with ", " ("Denver, CO,
// US"); the typed text when none is there. Coordinates are cut to four decimals. None for an
// empty list, a result without usable coordinates, or anything that is not such an answer.
std::optional<Place> placeFromNominatim(std::string_view answer, const std::string& typed);

}  // namespace lumen::app
