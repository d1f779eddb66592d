#pragma once

#include <string>
#include <vector>

namespace lumen::app {

// `lumenfall weather [--place "TEXT"] [--json]`: the weather the scenes would get now for the
// stored place (or the one the text names) and where it came from: the network, the cache file
// (with its age), a "-weather" switch, or none (fair weather). Asks MET Norway only when a
// request is due, exactly as the running wallpaper would, and shares its cache file. Exit status
// 1 when a place is set but no live weather could be had, or the place was not found.
int runWeatherCommand(const std::vector<std::string>& arguments);

}  // namespace lumen::app
