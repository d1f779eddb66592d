#include "services/ProductIdentity.hpp"

#include "LumenKit/weather/METNorway.hpp"

namespace lumen::app {

const char* productVersion() { return LUMENFALL_VERSION; }
const char* productBuild() { return LUMENFALL_BUILD; }
const char* productHomePage() { return LUMENFALL_HOMEPAGE; }

std::string productUserAgent() {
    const std::string version = productVersion();
    return METNorway::userAgent("Lumenfall", version.empty() ? "0" : version, productHomePage());
}

}  // namespace lumen::app
