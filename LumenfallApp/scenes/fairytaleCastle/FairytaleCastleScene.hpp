#pragma once

#include "scenekit/FrameRing.hpp"
#include "scenekit/LumenScene.hpp"
#include "scenekit/MeshBuffers.hpp"
#include "scenekit/SceneClasses.hpp"
#include "scenes/fairytaleCastle/CastlePipelines.hpp"
#include "scenes/fairytaleCastle/CastleRecords.hpp"

#include "LumenKit/scenes/castle/CastleCamera.hpp"
#include "LumenKit/scenes/castle/FireworkScheduler.hpp"

#include "gpu/Gpu.hpp"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace lumen::app {

class GpuContext;

// A lantern-lit castle on a hill across a calm lake at night: terrain, forest, castle, lanterns,
// a lake mirroring all of it (rendered per view at half size) and fireworks that light the scene.
class FairytaleCastleScene final : public LumenScene {
public:
    static constexpr int sampleCount = 4;
    static constexpr std::uint64_t fireworkSeed = 1888;

    static SceneClass sceneClass();

    // Throws SceneException.
    explicit FairytaleCastleScene(const SceneContext& context);

    void update(const SceneFrame& frame) override;
    void prepareFrame(gpu::CommandBuffer& commandBuffer, const SceneFrame& frame) override;
    void prepareView(gpu::CommandBuffer& commandBuffer, const SceneView& view, const SceneFrame& frame) override;
    void draw(gpu::RenderEncoder& encoder, const SceneView& view, const SceneFrame& frame) override;
    void prewarm(const SceneFrame& frame, double seconds) override;
    void releaseView(ViewID id) override;

    // State, for tests and tools.
    const castle::FireworkScheduler& scheduler() const { return scheduler_; }
    double clock() const { return clock_; }
    castle::FireworkPace pace() const { return pace_; }
    float twilight() const;
    int shellCount() const { return shellCount_; }
    int starInstances() const { return starInstances_; }
    const std::vector<castle::FlashLight>& flashes() const { return flashes_; }
    const std::map<ViewID, gpu::Texture>& reflections() const { return reflections_; }
    int lanternCount() const { return lanternCount_; }
    // The record a view's passes get; `mirror` for the lake's reflection pass.
    CastleUniforms uniforms(const SceneView& view, int width, int height, bool mirror) const;

private:
    void readOptions(const SceneFrame& frame);
    void refreshShells();
    void encodePasses(gpu::RenderEncoder& encoder, const CastleUniforms& uniforms, const CastlePipelines& pipelines,
                      const gpu::Texture* reflection);

    GpuContext& gpuContext_;
    gpu::Device& device_;
    std::optional<CastlePipelines> main_, mirror_;
    std::optional<gpu::RenderPipeline> water_;
    std::optional<MeshBuffers> terrainMesh_, castleMesh_, extrasMesh_, coniferMesh_, roundMesh_;
    std::optional<gpu::Buffer> conifers_, rounds_, lanterns_;
    int coniferCount_ = 0;
    int roundCount_ = 0;
    int lanternCount_ = 0;
    std::unique_ptr<FrameRing> shellRing_;
    gpu::Buffer* shellBuffer_ = nullptr;
    int shellCount_ = 0;
    int starInstances_ = 0;
    std::vector<castle::FlashLight> flashes_;
    castle::FireworkScheduler scheduler_{fireworkSeed, 0};
    double clock_ = 0;
    std::map<ViewID, gpu::Texture> reflections_;
    castle::CastleCamera camera_;
    SkyState sky_;
    castle::FireworkPace pace_ = castle::FireworkPace::sometimes;
    std::string skyMode_ = "clock";
};

}  // namespace lumen::app
