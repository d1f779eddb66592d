#include "scenekit/SceneFrame.hpp"

#include <cstdlib>

namespace lumen::app {

int SceneEnvironment::parseFeatureMask(const char* text) {
    if (!text || !*text) return 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < 0 || value > 0xFFFF) return 0;
    return static_cast<int>(value);
}

}  // namespace lumen::app
