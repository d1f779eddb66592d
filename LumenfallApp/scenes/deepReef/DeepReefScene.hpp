#pragma once

#include "scenekit/FrameRing.hpp"
#include "scenekit/LumenScene.hpp"
#include "scenekit/MeshBuffers.hpp"
#include "scenekit/SceneClasses.hpp"
#include "scenes/deepReef/DeepReefTargets.hpp"
#include "scenes/deepReef/ReefRecords.hpp"
#include "scenes/deepReef/ReefWorld.hpp"

#include "gpu/Gpu.hpp"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace lumen::app {

class GpuContext;

// The default wallpaper: a coral reef under a slowly drifting camera, 310 schooling fish,
// swaying kelp and seagrass, caustics, light shafts, marine snow and a depth-of-field blur. Each
// view is drawn 4x multisampled off-screen, then composited with the blur in the host's pass.
class DeepReefScene final : public LumenScene {
public:
    static constexpr int causticSize = 512;
    static constexpr int shaftSize = 256;
    static constexpr int shaftLevelCount = 9;
    // The light maps are redrawn at most this often (seconds of scene time).
    static constexpr float mapsInterval = 0.06466667f;

    // The class the application registers.
    static SceneClass sceneClass();

    // Throws SceneException.
    explicit DeepReefScene(const SceneContext& context);

    void update(const SceneFrame& frame) override;
    void prepareFrame(gpu::CommandBuffer& commandBuffer, const SceneFrame& frame) override;
    void prepareView(gpu::CommandBuffer& commandBuffer, const SceneView& view, const SceneFrame& frame) override;
    void draw(gpu::RenderEncoder& encoder, const SceneView& view, const SceneFrame& frame) override;
    void prewarm(const SceneFrame& frame, double seconds) override;
    void releaseView(ViewID id) override;

    // State, for tests and tools.
    const ReefWorld& world() const { return *world_; }
    ReefWorld& world() { return *world_; }
    const std::map<ViewID, DeepReefTargets>& targets() const { return targets_; }
    const FrameRing& fishRing() const { return *fishRing_; }
    const std::optional<float>& mapsTime() const { return mapsTime_; }
    int mapUpdates() const { return mapUpdates_; }
    int featureMask() const { return featureMask_; }
    void setFeatureMask(int mask) { featureMask_ = mask; }
    int kelpCount() const { return kelpCount_; }
    int grassCount() const { return grassCount_; }

private:
    void uploadFish();
    void encodeMaps(gpu::CommandBuffer& commandBuffer);
    void encodeReef(gpu::RenderEncoder& encoder, const ReefUniforms& uniforms);

    GpuContext& gpuContext_;
    gpu::Device& device_;
    std::map<ViewID, DeepReefTargets> targets_;
    std::optional<float> mapsTime_;
    gpu::Buffer* fishBuffer_ = nullptr;
    int featureMask_ = 0;
    std::unique_ptr<ReefWorld> world_;

    std::optional<gpu::RenderPipeline> sand_, reef_, strand_, fish_, fishBody_, background_, snow_, dof_;
    std::optional<gpu::ComputePipeline> causticMap_, shaftMap_, downsample_;
    std::optional<gpu::Texture> causticTex_, shaftTex_;
    std::optional<gpu::Sampler> repeatSampler_, shaftSampler_, depthSampler_;
    std::optional<MeshBuffers> sandMesh_, reefMesh_, fishMesh_, kelpMesh_, grassMesh_;
    std::optional<gpu::Buffer> kelpInstances_, grassInstances_, species_;
    int kelpCount_ = 0;
    int grassCount_ = 0;
    int fishBodyIndices_ = 0;
    std::unique_ptr<FrameRing> fishRing_;
    int mapUpdates_ = 0;
    // The light maps' record, kept between frames.
    ReefUniforms mapUniforms_{};
};

}  // namespace lumen::app
