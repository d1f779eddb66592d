#include "render/SceneSurfaceView.hpp"

#include "render/SceneTargets.hpp"

#include <algorithm>

namespace lumen::app {

SceneSurfaceView::SceneSurfaceView() = default;

void SceneSurfaceView::setDetachedState(bool inWindow, int drawableWidth, int drawableHeight) {
    inWindow_ = inWindow;
    drawableWidth_ = std::max(drawableWidth, 1);
    drawableHeight_ = std::max(drawableHeight, 1);
}

void SceneSurfaceView::requestStill() {
    // A surface off screen or still one pixel wide has nothing worth a still.
    if (!inWindow() || drawableWidth() <= 1) return;
    wantsStill = true;
    if (onLinkChange) onLinkChange();
}

const gpu::RenderPassDescriptor* SceneSurfaceView::renderPass(const gpu::Texture& drawable, int sampleCount,
                                                              gpu::Device& device) {
    sampleCount = std::max(sampleCount, 1);
    const int width = drawable.width();
    const int height = drawable.height();
    const bool depthFits = depth && depth->width() == width && depth->height() == height;

    // Steady state: only the drawable changes from frame to frame.
    if (cachedPass && targetsSampleCount == sampleCount && depthFits) {
        auto& colour = cachedPass->colorAttachments[0];
        if (colour.resolveTexture) {
            colour.resolveTexture = &drawable;
        } else {
            colour.texture = &drawable;
        }
        return &*cachedPass;
    }

    cachedPass.reset();
    // A missing multisample target is remade too, so one refused allocation is retried next tick.
    const bool msaaMissing = sampleCount > 1 && !msaaColor;
    if (targetsSampleCount != sampleCount || !depthFits || msaaMissing) {
        msaaColor.reset();
        depth.reset();
        if (sampleCount > 1) {
            msaaColor = makeSceneTarget(device, gpu::PixelFormat::bgra8Unorm, width, height, sampleCount);
        }
        depth = makeSceneTarget(device, gpu::PixelFormat::depth32Float, width, height, sampleCount);
        targetsSampleCount = sampleCount;
    }
    if (!depth) return nullptr;
    if (sampleCount > 1 && !msaaColor) return nullptr;

    cachedPass = makeScenePass(drawable, sampleCount > 1 ? &*msaaColor : nullptr, *depth);
    return &*cachedPass;
}

void SceneSurfaceView::dropTargets() {
    cachedPass.reset();
    msaaColor.reset();
    depth.reset();
    targetsSampleCount = 0;
}

}  // namespace lumen::app
