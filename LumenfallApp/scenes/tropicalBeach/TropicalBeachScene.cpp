#include "scenes/tropicalBeach/TropicalBeachScene.hpp"

#include "LumenKit/catalog/SceneOptionNames.hpp"

#include <cmath>
#include <numbers>

namespace lumen::app {

namespace {

namespace names = SceneOptionNames::tropicalBeach;

}  // namespace

SceneClass TropicalBeachScene::sceneClass() {
    return ShaderScene::sceneClass<TropicalBeachScene>(
        "TropicalBeachScene", "TropicalBeach", {},
        {{names::sky, {names::skySunset, names::skyClock}}, {names::waves, {names::wavesGentle, names::wavesRolling}}});
}

float TropicalBeachScene::sunsetElevation(double clock) {
    const double cycle = clock / sunsetCycle;
    const double phase = cycle - std::floor(cycle);
    const double half = sunsetHighest / 2.0;
    return static_cast<float>(half + half * std::cos(2.0 * std::numbers::pi * phase));
}

float TropicalBeachScene::sideOffset(int displayIndex) { return alternatingSide(displayIndex, sideStep); }

float TropicalBeachScene::wavesAmount(const std::optional<std::string>& option) {
    return option == names::wavesRolling ? 1.0f : 0.0f;
}

SkyState TropicalBeachScene::skyFor(const SkyState& frameSky) {
    // Only the default pins the sun; any other value shows the frame's own sky.
    if (options().value(names::sky).value_or(names::skySunset) != names::skySunset) return frameSky;
    SkyState sky = frameSky;
    sky.sunElevation = sunsetElevation(clock());
    sky.sunAzimuth = sunsetAzimuth;
    return sky;
}

std::span<const Float4> TropicalBeachScene::parameters(const SceneView& view) {
    parameters_[0] = {0.4f * view.parallax.x, cameraHeight + 0.1f * view.parallax.y, sideOffset(view.displayIndex),
                      wavesAmount(options().value(names::waves))};
    return parameters_;
}

}  // namespace lumen::app
