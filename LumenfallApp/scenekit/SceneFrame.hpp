#pragma once

#include "LumenKit/catalog/LumenSettings.hpp"
#include "LumenKit/sky/SkyState.hpp"
#include "LumenKit/core/Vector.hpp"
#include "LumenKit/weather/WeatherState.hpp"

#include <optional>

namespace date {
class time_zone;
}

namespace lumen::app {

// Identity of a surface (or of the token of one off-screen render): the key of every per-view
// resource a scene keeps.
using ViewID = const void*;

// One tick's inputs, the same for every display.
struct SceneFrame {
    double now = 0;    // monotonic host time of this tick, seconds
    double clock = 0;  // the scene's animation clock: the sum of every dt handed out
    double dt = 0;     // this tick's step: 0 when not animating, never more than 0.1
    SkyState sky;                           // its date is the wall time of the tick
    const date::time_zone* zone = nullptr;  // the zone the sky was read in; null is UTC
    std::optional<WeatherState> weather;
    SceneOptionValues options;
    bool lowPower = false;
    bool reduceMotion = false;
};

// What a scene learns of the world when it is made, before its first frame: the wall time and
// zone (so its first look matches the hour) and the user's switches. Scenes never read clocks,
// zones or the user's defaults themselves.
struct SceneEnvironment {
    SkyState::Instant wallTime{};
    const date::time_zone* zone = nullptr;  // null is UTC
    // The "featureMask" switch: bits that turn parts of a scene off, for finding what costs time.
    int featureMask = 0;

    // "featureMask" as the user wrote it: decimal 0...65535; 0 when absent or unreadable.
    static int parseFeatureMask(const char* text);
};

// One surface as the scene sees it in one frame. Pointer and parallax grow right and upward.
struct SceneView {
    ViewID id = nullptr;
    int displayIndex = 0;
    int width = 0;
    int height = 0;
    float pixelScale = 1;
    Float2 parallax;                // each in [-1, 1]
    std::optional<Float2> pointer;  // [-1, 1] on both axes; none outside the window
    bool pointerActive = false;
    bool reactsToPointer = false;
};

}  // namespace lumen::app
