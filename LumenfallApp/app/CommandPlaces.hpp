#pragma once

#include "services/PlaceService.hpp"

#include "LumenKit/catalog/Place.hpp"

#include <string>

namespace lumen::app::cli {

// "Oslo, NO (59.9133, 10.7389)".
std::string placeLine(const Place& place);

// Runs the event loop until the service answers (its own time limits bound the wait).
PlaceResult waitForPlace(PlaceService& places, const std::string& text, bool here);

}  // namespace lumen::app::cli
