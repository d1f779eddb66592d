#pragma once

#include "scenekit/ShaderScene.hpp"

#include "LumenKit/core/Vector.hpp"

#include <array>
#include <filesystem>
#include <optional>
#include <utility>

namespace lumen::app {

// Earth from Orbit: the Blue and Black Marble images on a sphere lit by the real sun of this
// moment, seen from a slow orbit over the user's place or as the whole globe. Two procedural cloud
// maps, rendered on the GPU every 40 s of scene clock, cross-fade so the weather slowly changes.
class EarthOrbitScene final : public ShaderScene {
public:
    static constexpr int cloudMapWidth = 2048;
    static constexpr int cloudMapHeight = 1024;
    static constexpr double cloudMapInterval = 40;
    // Texture list order.
    static constexpr std::size_t dayIndex = 0, nightIndex = 1, olderCloudIndex = 2, newerCloudIndex = 3;

    static constexpr ShaderSlot cloudSeedSlot{"EARTH_CLOUD_SEED_SLOT", 0};

    static SceneClass sceneClass();
    // Where the program's Earth images live: "Earth" beside the shader folder.
    static std::filesystem::path defaultImageFolder();

    std::string shaderName() const override { return "EarthOrbit"; }
    std::vector<ShaderSlot> shaderSlots() const override { return {cloudSeedSlot}; }

    double cloudMapClock() const { return cloudMapClock_; }
    float cloudSeed() const { return cloudSeed_; }
    int cloudMapRenders() const { return cloudMapRenders_; }
    float cloudFade() const;

    void prepareFrame(gpu::CommandBuffer& commandBuffer, const SceneFrame& frame) override;

protected:
    friend class ShaderScene;
    explicit EarthOrbitScene(const SceneContext& context, std::filesystem::path imageFolder = defaultImageFolder())
        : ShaderScene(context), imageFolder_(std::move(imageFolder)) {}

    void configure(const SceneContext& context) override;
    std::span<const Float4> parameters(const SceneView& view) override;
    std::span<const Float4> dataBlock(const SceneView& view) override;

private:
    void makeCloudPipeline();
    gpu::Texture makeCloudMap(int index);
    void renderCloudMap(gpu::CommandBuffer& commandBuffer, std::size_t index);

    std::filesystem::path imageFolder_;
    std::optional<gpu::RenderPipeline> cloudPipeline_;
    double cloudMapClock_ = -1;
    float cloudSeed_ = 0;
    int cloudMapRenders_ = 0;
    std::optional<std::pair<SkyState::Instant, Float3>> sunCache_;
    std::array<Float4, 4> parameters_{};
    std::array<Float4, 1> data_{};
};

}  // namespace lumen::app
