#include "scenes/desertNight/DesertNightScene.hpp"

#include "LumenKit/catalog/SceneOptionNames.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumen::app {

namespace {

namespace names = SceneOptionNames::desertNight;

}  // namespace

SceneClass DesertNightScene::sceneClass() {
    return ShaderScene::sceneClass<DesertNightScene>(
        "DesertNightScene", "DesertNight", {},
        {{names::sky, {names::skyBest, names::skyReal}},
         {names::meteors, {names::meteorsSometimes, names::meteorsOften, names::meteorsOff}}});
}

bool DesertNightScene::showsBestSky(const std::optional<std::string>& option) { return option != names::skyReal; }

DesertNightScene::StarClock DesertNightScene::starClock(bool best, const SkyState& sky, double clock) {
    if (!best) return {CelestialFrame::localSiderealTime(sky.date, sky.longitude), sky.latitude};
    // The galactic core stays near the meridian, swaying a little so the sky is never frozen.
    const double sway = swayDegrees * std::sin(2 * std::numbers::pi * clock / swayPeriod);
    return {CelestialFrame::galacticCenter.rightAscension + sway,
            std::clamp(sky.latitude, bestLatitudeMin, bestLatitudeMax)};
}

double DesertNightScene::viewingBearing(int displayIndex) {
    if (displayIndex == 0) return 180;
    return displayIndex % 2 == 1 ? 180 - sideDisplayTurn : 180 + sideDisplayTurn;
}

double DesertNightScene::meteorInterval(const std::optional<std::string>& option, bool reduceMotion) {
    if (reduceMotion || option == names::meteorsOff) return 0;
    return option == names::meteorsOften ? oftenInterval : sometimesInterval;
}

SkyState DesertNightScene::bestNight(SkyState sky) {
    sky.sunElevation = -30;
    sky.moonElevation = 11;
    sky.moonAzimuth = 82;
    sky.moonPhase = 0.2f;
    sky.moonIllumination = 0.35f;
    return sky;
}

SkyState DesertNightScene::skyFor(const SkyState& frameSky) {
    return showsBestSky(options().value(names::sky)) ? bestNight(frameSky) : frameSky;
}

std::span<const Float4> DesertNightScene::parameters(const SceneView& view) {
    const StarClock stars = starClock(showsBestSky(options().value(names::sky)), sky(), clock());
    const double bearing = viewingBearing(view.displayIndex);
    const EquatorialBasis basis = CelestialFrame::equatorialBasis(stars.siderealTime, stars.latitude, bearing);
    parameters_[0] = float4(basis.equatorAt0h,
                            static_cast<float>(meteorInterval(options().value(names::meteors), reduceMotion())));
    parameters_[1] = float4(basis.equatorAt6h, view.parallax.x);
    parameters_[2] = float4(basis.northPole, view.parallax.y);
    parameters_[3] = {static_cast<float>(CelestialFrame::radians(bearing)), 0, 0, 0};
    return parameters_;
}

}  // namespace lumen::app
