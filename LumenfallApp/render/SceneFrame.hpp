#pragma once

#include "LumenKit/LumenSettings.hpp"
#include "LumenKit/SkyState.hpp"
#include "LumenKit/Vector.hpp"
#include "LumenKit/WeatherState.hpp"

#include <optional>

namespace lumen::app {

// Identity of a surface (or of the token of one off-screen render): the key of every per-view
// resource a scene keeps.
using ViewID = const void*;

// One tick's inputs, the same for every display.
struct SceneFrame {
    double now = 0;    // monotonic host time of this tick, seconds
    double clock = 0;  // the scene's animation clock: the sum of every dt handed out
    double dt = 0;     // this tick's step: 0 when not animating, never more than 0.1
    SkyState sky;
    std::optional<WeatherState> weather;
    SceneOptionValues options;
    bool lowPower = false;
    bool reduceMotion = false;
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
