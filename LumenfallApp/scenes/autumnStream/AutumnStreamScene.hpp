#pragma once

#include "scenekit/PinnedSky.hpp"
#include "scenekit/ShaderScene.hpp"

#include <array>

namespace lumen::app {

// Autumn Forest Stream: a brook running towards the viewer between birches and maples in full
// colour, mossy stones in the current, leaves drifting down and floating away. One pass.
class AutumnStreamScene final : public ShaderScene {
public:
    static constexpr double goldenHour = 15.5;

    static SceneClass sceneClass();

    std::string shaderName() const override { return "AutumnStream"; }
    float facing() const override { return 215; }

    static float leafAmount(const std::optional<std::string>& leaves, bool lowPower, bool reduceMotion);
    // Neighbouring displays look at neighbouring stretches of the bank.
    static float sideOffset(int displayIndex);

    const PinnedSky& golden() const { return golden_; }

protected:
    friend class ShaderScene;
    explicit AutumnStreamScene(const SceneContext& context) : ShaderScene(context) {}

    SkyState skyFor(const SkyState& frameSky) override;
    std::span<const Float4> parameters(const SceneView& view) override;

private:
    PinnedSky golden_{goldenHour};
    std::array<Float4, 1> parameters_{};
};

}  // namespace lumen::app
