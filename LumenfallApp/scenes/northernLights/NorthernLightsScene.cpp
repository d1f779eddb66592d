#include "scenes/northernLights/NorthernLightsScene.hpp"

#include "LumenKit/catalog/SceneOptionNames.hpp"

#include <cmath>

namespace lumen::app {

namespace {

namespace names = SceneOptionNames::northernLightsCabin;

constexpr float sideStep = 0.75f;

}  // namespace

SceneClass NorthernLightsScene::sceneClass() {
    return ShaderScene::sceneClass<NorthernLightsScene>(
        "NorthernLightsScene", "NorthernLights", {},
        {{names::aurora, {names::auroraStrong, names::auroraGentle}},
         {names::snow, {names::snowGentle, names::snowNone}},
         {names::sky, {names::skyClock, names::skyNight}}});
}

double NorthernLightsScene::auroraRate(const std::optional<std::string>& aurora, bool reduceMotion) {
    const double base = aurora == names::auroraGentle ? gentleRate : 1.0;
    return reduceMotion ? base * reducedMotionFactor : base;
}

float NorthernLightsScene::intensity(const std::optional<std::string>& aurora) {
    return aurora == names::auroraGentle ? 0.55f : 1.0f;
}

float NorthernLightsScene::snowAmount(const std::optional<std::string>& snow, bool lowPower, bool reduceMotion) {
    if (snow == names::snowNone || reduceMotion) return 0;
    return lowPower ? 0.5f : 1.0f;
}

float NorthernLightsScene::sideOffset(int displayIndex) {
    if (displayIndex == 0) return 0;
    const float offset = sideStep * static_cast<float>((displayIndex + 1) / 2);
    return displayIndex % 2 == 1 ? -offset : offset;
}

SkyState NorthernLightsScene::skyFor(const SkyState& frameSky) {
    if (options().value(names::sky) == names::skyNight) return cachedNight_.at(frameSky, zone());
    return frameSky;
}

void NorthernLightsScene::advance(const SceneFrame& frame) {
    auroraClock_ += auroraRate(options().value(names::aurora), frame.reduceMotion) * frame.dt;
}

std::span<const Float4> NorthernLightsScene::parameters(const SceneView& view) {
    parameters_[0] = {intensity(options().value(names::aurora)),
                      snowAmount(options().value(names::snow), lowPower(), reduceMotion()),
                      sideOffset(view.displayIndex), static_cast<float>(std::fmod(auroraClock_, 3600.0))};
    parameters_[1] = {0.6f * view.parallax.x, 2.8f + 0.15f * view.parallax.y, 0, 0.06f};
    return parameters_;
}

}  // namespace lumen::app
