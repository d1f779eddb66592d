#pragma once

#include "scenekit/ShaderScene.hpp"

#include "LumenKit/scenes/koi/KoiPond.hpp"
#include "LumenKit/scenes/koi/KoiSeason.hpp"

#include <array>
#include <optional>
#include <vector>

namespace lumen::app {

// Zen Koi Pond: a garden pond seen from above. Nine koi swim under lily pads, rise, leave ripples
// and gather where the pointer rests; raindrops ring the water when it really rains. One pass.
class KoiPondScene final : public ShaderScene {
public:
    static constexpr std::uint64_t pondSeed = 21;
    static constexpr float pondHalfWidth = 16.0f / 9.0f;
    static constexpr double prewarmStep = 1.0 / 15.0;
    static constexpr float reducedMotionRain = 0.3f;
    static constexpr float foodRippleSpacing = 0.12f;

    static SceneClass sceneClass();

    std::string shaderName() const override { return "KoiPond"; }

    // The rain on the water for the "rain" option and the weather, before reduced motion.
    static float rainValue(const std::optional<std::string>& option, const std::optional<WeatherState>& weather);
    koi::KoiSeason season() const;

    const koi::KoiPond& pond() const { return pond_; }
    koi::KoiPond& pond() { return pond_; }
    const std::optional<Float2>& food() const { return food_; }

    void prewarm(const SceneFrame& frame, double seconds) override;

protected:
    friend class ShaderScene;
    explicit KoiPondScene(const SceneContext& context);

    void advance(const SceneFrame& frame) override;
    std::span<const Float4> parameters(const SceneView& view) override;
    std::span<const Float4> dataBlock(const SceneView& view) override;

private:
    koi::KoiPond pond_{pondSeed, pondHalfWidth};
    std::optional<Float2> food_;
    std::optional<Float2> lastFoodRipple_;
    std::vector<Float4> data_;
    std::array<Float4, 1> parameters_{};
};

}  // namespace lumen::app
