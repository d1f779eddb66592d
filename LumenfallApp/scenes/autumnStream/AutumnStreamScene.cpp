#include "scenes/autumnStream/AutumnStreamScene.hpp"

#include "LumenKit/catalog/SceneOptionNames.hpp"

namespace lumen::app {

namespace {

namespace names = SceneOptionNames::autumnStream;

constexpr float sideStep = 2.3f;

}  // namespace

SceneClass AutumnStreamScene::sceneClass() {
    return ShaderScene::sceneClass<AutumnStreamScene>(
        "AutumnStreamScene", "AutumnStream", {},
        {{names::leaves, {names::leavesSome, names::leavesMany, names::leavesFew}},
         {names::light, {names::lightClock, names::lightGolden}}});
}

float AutumnStreamScene::leafAmount(const std::optional<std::string>& leaves, bool lowPower, bool reduceMotion) {
    float amount = leaves == names::leavesMany ? 1.0f : leaves == names::leavesFew ? 0.3f : 0.6f;
    if (lowPower) amount *= 0.5f;
    if (reduceMotion) amount *= 0.3f;
    return amount;
}

float AutumnStreamScene::sideOffset(int displayIndex) { return alternatingSide(displayIndex, sideStep); }

SkyState AutumnStreamScene::skyFor(const SkyState& frameSky) {
    if (options().value(names::light) == names::lightGolden) return golden_.at(frameSky, zone());
    return frameSky;
}

std::span<const Float4> AutumnStreamScene::parameters(const SceneView& view) {
    parameters_[0] = {view.parallax.x, view.parallax.y, sideOffset(view.displayIndex),
                      leafAmount(options().value(names::leaves), lowPower(), reduceMotion())};
    return parameters_;
}

}  // namespace lumen::app
