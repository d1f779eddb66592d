#pragma once

#include "render/Image.hpp"

#include "LumenKit/catalog/LumenSettings.hpp"
#include "LumenKit/catalog/Place.hpp"
#include "LumenKit/catalog/SceneCatalog.hpp"
#include "LumenKit/weather/WeatherState.hpp"

#include <QImage>

#include <optional>
#include <string>

namespace lumen::app {

class SceneHost;
struct SceneEnvironment;

// One still of a scene as `lumenfall render` and the thumbnails draw it: a scene made for the
// still alone, its clock at 120 s, run ahead `seconds`, drawn once off screen.
struct StillRequest {
    SceneInfo info;
    int width = 1920;
    int height = 1080;
    SceneOptionValues options;
    double hour = 12;  // the sky's local clock hour on the environment's day
    std::optional<Place> place;
    std::optional<WeatherState> weather;
    double seconds = 12;
    int displayIndex = 0;  // which display's part of the scene (scenes offset the others)
};

struct Still {
    std::optional<Image> image;
    std::string error;  // why there is no image
    double gpuMilliseconds = 0;
};

// Draws through `host` (its GPU context and off-screen targets) without touching its live scene.
// May throw std::bad_alloc for a still too large for memory.
Still renderStill(SceneHost& host, const StillRequest& request, const SceneEnvironment& environment);

// The image's pixels as a QImage without a copy; valid while `image` lives.
QImage imageView(const Image& image);

}  // namespace lumen::app
