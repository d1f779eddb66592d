#pragma once

#include "scenekit/PinnedSky.hpp"
#include "scenekit/ShaderScene.hpp"

#include <array>

namespace lumen::app {

// Northern Lights Cabin: a log cabin with a lit window in deep snow by a frozen lake, spruces and
// snowy peaks, the aurora over them. The half-resolution layer marches the aurora's curtains; the
// main pass draws the land, the sky and the falling snow and mirrors the layer in the ice.
class NorthernLightsScene final : public ShaderScene {
public:
    static constexpr double nightHour = 23.5;
    static constexpr double gentleRate = 0.45;
    static constexpr double reducedMotionFactor = 0.3;

    static SceneClass sceneClass();

    std::string shaderName() const override { return "NorthernLights"; }
    float facing() const override { return 355; }
    std::optional<LayerSpec> layerSpec() const override { return LayerSpec{0.5f, 0}; }

    // Aurora clock seconds per second of scene time.
    static double auroraRate(const std::optional<std::string>& aurora, bool reduceMotion);
    static float intensity(const std::optional<std::string>& aurora);
    static float snowAmount(const std::optional<std::string>& snow, bool lowPower, bool reduceMotion);
    // Neighbouring displays look at neighbouring stretches of the shore.
    static float sideOffset(int displayIndex);

    double auroraClock() const { return auroraClock_; }
    const PinnedSky& cachedNight() const { return cachedNight_; }

protected:
    friend class ShaderScene;
    explicit NorthernLightsScene(const SceneContext& context) : ShaderScene(context) {}

    SkyState skyFor(const SkyState& frameSky) override;
    void advance(const SceneFrame& frame) override;
    std::span<const Float4> parameters(const SceneView& view) override;

private:
    double auroraClock_ = 0;
    PinnedSky cachedNight_{nightHour};
    std::array<Float4, 2> parameters_{};
};

}  // namespace lumen::app
