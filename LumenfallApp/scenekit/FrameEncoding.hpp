#pragma once

#include "scenekit/LumenScene.hpp"

#include "gpu/Gpu.hpp"

#include <string_view>

namespace lumen::app {

// The one place the per-frame call order of a scene lives. Making a FrameEncoding calls the
// scene's prepareFrame once in the command buffer; each encodeView then calls prepareView and,
// inside the view's main pass, draw followed by the caller's overlay (the host's cross-fade).
// Live frames, stills, cross-fade snapshots and the benchmark all go through it; the scene's
// update belongs to the host's frame, before any of this.
class FrameEncoding {
public:
    FrameEncoding(LumenScene& scene, gpu::CommandBuffer& commandBuffer, const SceneFrame& frame)
        : scene_(scene), commandBuffer_(commandBuffer), frame_(frame) {
        scene_.prepareFrame(commandBuffer_, frame_);
    }
    FrameEncoding(const FrameEncoding&) = delete;
    FrameEncoding& operator=(const FrameEncoding&) = delete;

    // True when the view was drawn; false without a pass (its targets were refused) or when its
    // encoder could not be made. prepareView runs either way, so the scene's per-view state
    // follows the view.
    template <class Overlay>
    bool encodeView(const SceneView& view, const gpu::RenderPassDescriptor* pass, std::string_view label,
                    Overlay&& overlay) {
        scene_.prepareView(commandBuffer_, view, frame_);
        if (!pass) return false;
        auto encoder = commandBuffer_.renderEncoder(*pass, label);
        if (!encoder) return false;
        scene_.draw(*encoder, view, frame_);
        overlay(*encoder);
        encoder->endEncoding();
        return true;
    }

    bool encodeView(const SceneView& view, const gpu::RenderPassDescriptor* pass, std::string_view label) {
        return encodeView(view, pass, label, [](gpu::RenderEncoder&) {});
    }

private:
    LumenScene& scene_;
    gpu::CommandBuffer& commandBuffer_;
    const SceneFrame& frame_;
};

}  // namespace lumen::app
