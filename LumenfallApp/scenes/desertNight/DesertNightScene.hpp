#pragma once

#include "scenekit/ShaderScene.hpp"

#include "LumenKit/sky/CelestialFrame.hpp"

#include <array>
#include <optional>
#include <string>

namespace lumen::app {

// Desert Night Sky: moonlit dunes under the Milky Way, with a shooting star now and then. The
// stars turn with the real sidereal time, or sway gently around the galactic core ("best"). The
// half-resolution layer draws the diffuse band of the galaxy and its dust; the main pass draws
// the dunes, the stars, the moon and the meteors over it.
class DesertNightScene final : public ShaderScene {
public:
    static constexpr double swayDegrees = 6;
    static constexpr double swayPeriod = 1200;  // scene seconds
    static constexpr double bestLatitudeMin = -35;
    static constexpr double bestLatitudeMax = 45;
    static constexpr double sideDisplayTurn = 70;  // degrees the side displays look away from south
    static constexpr double oftenInterval = 4;
    static constexpr double sometimesInterval = 11;

    // The star clock the shader is oriented by, degrees.
    struct StarClock {
        double siderealTime = 0;
        double latitude = 0;
    };

    static SceneClass sceneClass();

    std::string shaderName() const override { return "DesertNight"; }
    std::optional<LayerSpec> layerSpec() const override { return LayerSpec{0.5f, 0}; }

    // "best" unless the option asks for the real sky.
    static bool showsBestSky(const std::optional<std::string>& option);
    static StarClock starClock(bool best, const SkyState& sky, double clock);
    // Compass bearing of display `index`: south, then alternately east and west of it.
    static double viewingBearing(int displayIndex);
    // Mean seconds between shooting stars; 0 for none.
    static double meteorInterval(const std::optional<std::string>& option, bool reduceMotion);
    // The dark night with a thin low moon the "best" sky shows.
    static SkyState bestNight(SkyState sky);

protected:
    friend class ShaderScene;
    explicit DesertNightScene(const SceneContext& context) : ShaderScene(context) {}

    SkyState skyFor(const SkyState& frameSky) override;
    std::span<const Float4> parameters(const SceneView& view) override;

private:
    std::array<Float4, 4> parameters_{};
};

}  // namespace lumen::app
