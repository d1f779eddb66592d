#pragma once

#include "scenekit/ShaderScene.hpp"

#include "LumenKit/scenes/neon/NeonSign.hpp"

#include <array>
#include <vector>

namespace lumen::app {

// Neon City Rain: a narrow wet street at night, its signs' colours smeared across the road. The
// shader draws street, rain and reflections; the scene supplies the seeded signs, their lettering
// atlas (texture slot 1), four data vectors per sign, the night pin and the rain strength.
class NeonCityScene final : public ShaderScene {
public:
    static constexpr float pinnedHour = 23;
    static constexpr float pinnedSunElevation = -30;
    static constexpr float displayStretch = 30;  // street units between neighbouring displays
    static constexpr int atlasLevels = 12;        // 2048 down to 1

    // The lettering texture and each sign's cell in it.
    struct Atlas {
        gpu::Texture texture;
        std::vector<Float4> rects;
    };

    static SceneClass sceneClass();

    std::string shaderName() const override { return "NeonCity"; }

    // Draws the lettering and uploads it with its mipmaps. Throws SceneException("neon atlas").
    static Atlas makeAtlas(const std::vector<neon::NeonSign>& signs, const SceneContext& context);
    // The four data vectors of one sign: placement, shape, atlas cell, colour.
    static std::array<Float4, 4> signVectors(const neon::NeonSign& sign, Float4 rect);
    static float rainStrength(const std::optional<std::string>& option);

    const std::vector<neon::NeonSign>& signs() const { return signs_; }
    const std::vector<Float4>& signData() const { return signData_; }
    const std::vector<Float4>& atlasRects() const { return rects_; }

protected:
    friend class ShaderScene;
    explicit NeonCityScene(const SceneContext& context) : ShaderScene(context) {}

    void configure(const SceneContext& context) override;
    SkyState skyFor(const SkyState& frameSky) override;
    std::span<const Float4> parameters(const SceneView& view) override;
    std::span<const Float4> dataBlock(const SceneView& view) override;

private:
    std::vector<neon::NeonSign> signs_;
    std::vector<Float4> rects_;
    std::vector<Float4> signData_;
    std::array<Float4, 2> parameters_{};
};

}  // namespace lumen::app
