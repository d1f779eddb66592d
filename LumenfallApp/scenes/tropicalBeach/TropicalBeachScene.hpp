#pragma once

#include "scenekit/ShaderScene.hpp"

#include <array>

namespace lumen::app {

// Tropical Beach Sunset: looking west over a quiet bay. Waves wash up wet sand under leaning
// palms while the sun hovers just above the sea, or the real sky when the user asks for it.
class TropicalBeachScene final : public ShaderScene {
public:
    static constexpr float sunsetAzimuth = 262;      // a little left of straight ahead
    static constexpr double sunsetCycle = 600;       // seconds of scene time per rise and sink
    static constexpr float sunsetHighest = 3.2f;     // degrees
    static constexpr float cameraHeight = 1.55f;     // metres above the sea
    static constexpr float sideStep = 0.8f;

    // The class the application registers.
    static SceneClass sceneClass();

    std::string shaderName() const override { return "TropicalBeach"; }
    float facing() const override { return 270; }

    // The hovering sun's elevation in degrees at a scene clock: highest at 0, on the sea at 300.
    static float sunsetElevation(double clock);
    // 0 for display 0, then -0.8 for odd and +0.8 for even indices.
    static float sideOffset(int displayIndex);
    // 1 for rolling waves, 0 for gentle ones and any unknown value.
    static float wavesAmount(const std::optional<std::string>& option);

protected:
    friend class ShaderScene;
    explicit TropicalBeachScene(const SceneContext& context) : ShaderScene(context) {}

    SkyState skyFor(const SkyState& frameSky) override;
    std::span<const Float4> parameters(const SceneView& view) override;

private:
    std::array<Float4, 1> parameters_{};
};

}  // namespace lumen::app
