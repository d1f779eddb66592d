#pragma once

#include "scenekit/LumenScene.hpp"
#include "scenekit/MeshBuffers.hpp"
#include "scenekit/SceneClasses.hpp"
#include "scenes/alpineLake/AlpineRecords.hpp"

#include "LumenKit/core/SeededRandom.hpp"
#include "LumenKit/scenes/alpine/AlpineCamera.hpp"

#include "gpu/Gpu.hpp"

#include <map>
#include <optional>
#include <string>

namespace lumen::app {

class GpuContext;

// Peaks, a spruce forest and a mirror lake under the live sky and weather. The terrain is baked
// into two height maps once; each frame draws the world mirrored into a reflection texture, then
// into the view (4x multisampled) with the lake, rain or snow over it.
class AlpineLakeScene final : public LumenScene {
public:
    static constexpr int sampleCount = 4;
    static constexpr int mirrorTreeLimit = 3500;
    static constexpr double panoramaInterval = 0.25;
    static constexpr double lookSettleSeconds = 45;
    static constexpr float cloudDriftWrap = 1048576;  // metres

    struct Pipelines {
        gpu::RenderPipeline sky, terrain, trees;
    };
    struct Reflection {
        gpu::Texture colour;
        gpu::Texture depth;
    };

    static SceneClass sceneClass();

    // Throws SceneException.
    explicit AlpineLakeScene(const SceneContext& context);

    void update(const SceneFrame& frame) override;
    void prepareFrame(gpu::CommandBuffer& commandBuffer, const SceneFrame& frame) override;
    void prepareView(gpu::CommandBuffer& commandBuffer, const SceneView& view, const SceneFrame& frame) override;
    void draw(gpu::RenderEncoder& encoder, const SceneView& view, const SceneFrame& frame) override;
    void prewarm(const SceneFrame& frame, double seconds) override;
    void releaseView(ViewID id) override;

    // Instances drawn in a pass, and raindrops or flakes for a look.
    int treesDrawn(bool mirror) const;
    static int precipitationCount(const alpine::AlpineWeatherLook& look);

    // State, for tests and tools.
    const AlpineState& state() const { return state_; }
    const alpine::AlpineWeatherLook& target() const { return target_; }
    double nextFlash() const { return nextFlash_; }
    int treeCount() const { return treeCount_; }
    void setTreeCount(int count) { treeCount_ = count; }
    const std::map<ViewID, Reflection>& reflections() const { return reflections_; }
    const gpu::Texture& nearHeights() const { return *nearH_; }
    int panoramaRenders() const { return panoramaRenders_; }

private:
    void bake();
    gpu::Texture makeTarget(gpu::PixelFormat format, int width, int height, const char* label);
    void drawWorld(gpu::RenderEncoder& encoder, const Pipelines& pipelines, const AlpineUniforms& uniforms);
    AlpineUniforms record(const SceneView& view, bool mirror) const;
    void screenPass(gpu::CommandBuffer& commandBuffer, const gpu::Texture& target, const gpu::RenderPipeline& pipeline,
                    const AlpineUniforms& uniforms, const char* label);

    GpuContext& gpuContext_;
    gpu::Device& device_;
    std::optional<Pipelines> main_, mirror_;
    std::optional<gpu::RenderPipeline> water_, precip_, panoramaPipe_, shadowPipe_, heightPipe_;
    std::optional<gpu::Texture> nearH_, nearN_, farH_, farN_, shadow_, panorama_;
    std::optional<gpu::Buffer> grid_, gridIndices_, trees_;
    std::optional<MeshBuffers> spruce_;
    int gridIndexCount_ = 0;
    int treeCount_ = 0;
    std::map<ViewID, Reflection> reflections_;
    alpine::AlpineCamera camera_;
    AlpineState state_;
    alpine::AlpineWeatherLook target_;
    double lastPanorama_ = -1;
    Float3 panoramaSun_{};
    Float3 shadowSun_{};
    bool shadowValid_ = false;
    double nextFlash_ = 0;
    SeededRandom rng_{2024};
    bool firstUpdate_ = true;
    std::string lastOption_;
    int panoramaRenders_ = 0;
};

}  // namespace lumen::app
