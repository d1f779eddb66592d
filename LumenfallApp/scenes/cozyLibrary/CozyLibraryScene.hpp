#pragma once

#include "scenekit/ShaderScene.hpp"

#include <array>
#include <optional>
#include <string>

namespace lumen::app {

// Cozy Fireplace Library: a book-lined room at night, lit by a flickering fire and a reading lamp,
// with a tall window onto the real sky and rain running down the glass. One full-screen pass.
class CozyLibraryScene final : public ShaderScene {
public:
    // Where the sun is put when the window must show a night whatever the hour.
    static constexpr float nightSunElevation = -20;
    static constexpr float displaySide = 0.25f;
    static constexpr float reducedMotionRain = 0.5f;

    // The class the application registers.
    static SceneClass sceneClass();

    std::string shaderName() const override { return "CozyLibrary"; }

    // The sky outside the window for the "outside" option value.
    static SkyState outsideSky(const SkyState& frameSky, const std::optional<std::string>& outside);
    // 0 on the first display, then alternating left (odd) and right (even) of it.
    static float side(int displayIndex);
    // How hard it rains on the glass for the "rain" option value.
    static float rainAmount(const std::optional<std::string>& option, bool reduceMotion);

protected:
    friend class ShaderScene;
    explicit CozyLibraryScene(const SceneContext& context) : ShaderScene(context) {}

    SkyState skyFor(const SkyState& frameSky) override;
    std::span<const Float4> parameters(const SceneView& view) override;

private:
    std::array<Float4, 1> parameters_{};
};

}  // namespace lumen::app
