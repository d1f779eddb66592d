#pragma once

#include "scenekit/SceneFrame.hpp"

#include "LumenKit/catalog/SceneCatalog.hpp"

namespace lumen::gpu {
class CommandBuffer;
class RenderEncoder;
}  // namespace lumen::gpu

namespace lumen::app {

class GpuContext;

// What a scene's constructor is given; scenes copy what they need and keep no reference to it.
struct SceneContext {
    GpuContext& gpu;
    const SceneInfo& info;
    int sampleCount = 1;
    SceneEnvironment environment{};
};

// Every wallpaper scene. The host calls, on the main thread and in this order each tick:
// update once; then in one command buffer prepareFrame once and, per surface, prepareView and
// draw inside the surface's main pass (colour load action don't-care, so draw covers every pixel;
// depth cleared to 1). Constructors throw SceneException; nothing else may throw.
class LumenScene {
public:
    virtual ~LumenScene() = default;

    // The only place a scene advances its simulation.
    virtual void update(const SceneFrame& frame) = 0;
    virtual void prepareFrame(gpu::CommandBuffer& commandBuffer, const SceneFrame& frame) = 0;
    virtual void prepareView(gpu::CommandBuffer& commandBuffer, const SceneView& view, const SceneFrame& frame) = 0;
    virtual void draw(gpu::RenderEncoder& encoder, const SceneView& view, const SceneFrame& frame) = 0;
    // Runs the simulation ahead without drawing (stills start from a lived-in state).
    virtual void prewarm(const SceneFrame& frame, double seconds) = 0;
    // Drops what the scene keeps for a view; a no-op for a view it never saw.
    virtual void releaseView(ViewID id) = 0;
};

}  // namespace lumen::app
