#pragma once

#include <string>

namespace lumen::app {

// The project's version and home page, as CMake's project() declares them, and the build number
// (LUMENFALL_BUILD_NUMBER).
const char* productVersion();
const char* productBuild();
const char* productHomePage();

// "Lumenfall/<version> (+<home page>)": how the application names itself to web services, as
// MET Norway's and Nominatim's terms ask.
std::string productUserAgent();

}  // namespace lumen::app
