#pragma once

#include <string>
#include <vector>

namespace lumen::app {

// `lumenfall place "TEXT" [--json]` / `lumenfall place --here [--json]`: looks the text up (or
// finds the computer's position) as the settings would, and prints the place it would store, or
// the error's text with exit status 1. "-placeLookupHost URL" names another Nominatim server.
int runPlaceCommand(const std::vector<std::string>& arguments);

}  // namespace lumen::app
