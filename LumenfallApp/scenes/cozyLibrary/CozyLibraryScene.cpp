#include "scenes/cozyLibrary/CozyLibraryScene.hpp"

#include "LumenKit/catalog/SceneOptionNames.hpp"

namespace lumen::app {

namespace {

namespace names = SceneOptionNames::cozyLibrary;

}  // namespace

SceneClass CozyLibraryScene::sceneClass() {
    return ShaderScene::sceneClass<CozyLibraryScene>(
        "CozyLibraryScene", "CozyLibrary", {},
        {{names::rain, {names::rainSteady, names::rainLight, names::rainNone}},
         {names::outside, {names::outsideClock, names::outsideNight}}});
}

SkyState CozyLibraryScene::outsideSky(const SkyState& frameSky, const std::optional<std::string>& outside) {
    if (outside != names::outsideNight) return frameSky;
    SkyState night = frameSky;
    night.sunElevation = nightSunElevation;
    return night;
}

float CozyLibraryScene::side(int displayIndex) { return alternatingSide(displayIndex, displaySide); }

float CozyLibraryScene::rainAmount(const std::optional<std::string>& option, bool reduceMotion) {
    float rain = 0.8f;
    if (option == names::rainLight) rain = 0.4f;
    if (option == names::rainNone) rain = 0;
    return reduceMotion ? rain * reducedMotionRain : rain;
}

SkyState CozyLibraryScene::skyFor(const SkyState& frameSky) {
    return outsideSky(frameSky, options().value(names::outside));
}

std::span<const Float4> CozyLibraryScene::parameters(const SceneView& view) {
    parameters_[0] = {view.parallax.x, view.parallax.y, side(view.displayIndex),
                      rainAmount(options().value(names::rain), reduceMotion())};
    return parameters_;
}

}  // namespace lumen::app
