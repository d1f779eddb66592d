#pragma once

#include "scenekit/ShaderScene.hpp"

#include <array>

namespace lumen::app {

// Nebula Flythrough: a slow flight along a looping path through glowing gas and dark dust. A
// 128^3 volume is filled once on the GPU; the half-resolution layer ray-marches it and the main
// pass lays it over the stars.
class NebulaScene final : public ShaderScene {
public:
    static constexpr double driftSpeed = 1.4;   // units per second
    static constexpr double cruiseSpeed = 3.2;
    static constexpr double reducedMotionFactor = 0.3;
    static constexpr double wrapDistance = 160000;
    static constexpr double pathPeriod = 160;   // the flight path repeats every 160 units
    static constexpr double lookAhead = 14;
    static constexpr int volumeSize = 128;

    // Where the camera is and how it is turned for a distance and a view's parallax.
    struct Camera {
        Float3 position;
        Float3 forward;
        Float3 right;
        Float3 up;
    };

    static constexpr ShaderSlot volumeImageSlot{"NEBULA_VOLUME_IMAGE_SLOT", 0};

    // The class the application registers.
    static SceneClass sceneClass();

    std::string shaderName() const override { return "Nebula"; }
    std::optional<LayerSpec> layerSpec() const override { return LayerSpec{0.5f, 0}; }
    std::vector<ShaderSlot> shaderSlots() const override { return {volumeImageSlot}; }

    // The path point at parameter s: sideways, vertical, and s itself along z.
    static Float3 pathPoint(double s);
    static Camera camera(double distance, Float2 parallax);
    // Units per second for the "speed" option value.
    static double speed(const std::optional<std::string>& option, bool reduceMotion);
    // 0 classic, 1 ember, 2 ice; unknown values are classic.
    static float paletteNumber(const std::optional<std::string>& option);

    double distance() const { return distance_; }
    void setDistance(double distance) { distance_ = distance; }

protected:
    friend class ShaderScene;
    explicit NebulaScene(const SceneContext& context) : ShaderScene(context) {}

    void configure(const SceneContext& context) override;
    void advance(const SceneFrame& frame) override;
    std::span<const Float4> parameters(const SceneView& view) override;

private:
    double distance_ = 0;
    std::array<Float4, 4> parameters_{};
};

}  // namespace lumen::app
