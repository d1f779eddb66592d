#pragma once

#include "scenekit/LumenScene.hpp"
#include "scenekit/SceneClasses.hpp"
#include "scenes/rainyWindowCafe/RainPane.hpp"

#include "LumenKit/core/SeededRandom.hpp"

#include "gpu/Gpu.hpp"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace lumen::app {

class GpuContext;

// Rainy Window Café: rain runs down a window pane, one simulated glass per display, with a street
// (or a café) of blurred lights behind it. Each view keeps a half-size layers texture: the scene
// in colour, the condensation in alpha, wiped by sliding drops and the pointer and creeping back.
class RainyWindowScene final : public LumenScene {
public:
    static constexpr std::uint64_t bokehSeed = 31;
    static constexpr double prerollSeconds = 25;
    static constexpr double prerollStrokes = 12;
    static constexpr double layersInterval = 0.09;
    static constexpr float wipeRadius = 0.035f;

    static SceneClass sceneClass();

    // Throws SceneException.
    explicit RainyWindowScene(const SceneContext& context);

    void update(const SceneFrame& frame) override;
    void prepareFrame(gpu::CommandBuffer& commandBuffer, const SceneFrame& frame) override;
    void prepareView(gpu::CommandBuffer& commandBuffer, const SceneView& view, const SceneFrame& frame) override;
    void draw(gpu::RenderEncoder& encoder, const SceneView& view, const SceneFrame& frame) override;
    void prewarm(const SceneFrame& frame, double seconds) override;
    void releaseView(ViewID id) override;

    // The glass seed of a display: neighbours show different rain.
    static std::uint64_t glassSeed(int displayIndex) { return static_cast<std::uint64_t>(displayIndex + 1) * 7919; }
    // The layers texture size for a view: half, or 8 for tiny views.
    static std::pair<int, int> layersSize(int width, int height);

    // State, for tests and tools.
    const std::map<ViewID, std::unique_ptr<RainPane>>& panes() const { return panes_; }
    double clock() const { return clock_; }
    float intensity() const { return intensity_; }
    float lightning() const { return lightning_; }
    bool lightningOn() const { return lightningOn_; }
    double nextLightning() const { return nextLightning_; }
    int lightCount(const std::string& view) const { return lightCounts_.at(view); }

private:
    RainPane& pane(const SceneView& view);
    RainUniforms uniformsFor(const SceneView& view, Float2 passSize, int mipLevels) const;
    void renderLayers(gpu::CommandBuffer& commandBuffer, const SceneView& view, RainPane& pane, double step);

    GpuContext& gpuContext_;
    gpu::Device& device_;
    std::optional<gpu::RenderPipeline> backgroundBase_, bokeh_, recover_, stroke_, glass_, drop_;
    std::map<std::string, gpu::Buffer> lights_;
    std::map<std::string, int> lightCounts_;
    std::optional<gpu::Sampler> layersSampler_;
    std::map<ViewID, std::unique_ptr<RainPane>> panes_;
    double clock_ = 0;
    float dt_ = 0;
    float intensity_ = 0.42f;
    std::string view_ = "street";
    float daylight_ = 0;
    float lightning_ = 0;
    bool lightningOn_ = false;
    double nextLightning_ = 20.0;
    SeededRandom rng_{99};
};

}  // namespace lumen::app
