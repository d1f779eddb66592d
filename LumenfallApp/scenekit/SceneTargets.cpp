#include "scenekit/SceneTargets.hpp"

namespace lumen::app {

std::optional<gpu::Texture> makeSceneTarget(gpu::Device& device, gpu::PixelFormat format, int width, int height,
                                            int sampleCount) {
    const bool multisampled = sampleCount > 1;
    auto made = device.makeTexture({.type = multisampled ? gpu::TextureType::type2DMultisample : gpu::TextureType::type2D,
                                    .format = format,
                                    .width = width,
                                    .height = height,
                                    .sampleCount = multisampled ? sampleCount : 1,
                                    .usage = gpu::TextureUsage::renderTarget,
                                    .memoryless = true,
                                    .label = gpu::isDepthFormat(format) ? "scene depth" : "scene msaa colour"});
    if (!made) return std::nullopt;
    return std::move(made.value());
}

bool SceneTargets::make(gpu::Device& device, int width, int height, int sampleCount) {
    msaaColor.reset();
    depth.reset();
    if (sampleCount > 1) {
        msaaColor = makeSceneTarget(device, gpu::PixelFormat::bgra8Unorm, width, height, sampleCount);
        if (!msaaColor) return false;
    }
    depth = makeSceneTarget(device, gpu::PixelFormat::depth32Float, width, height, sampleCount);
    return depth.has_value();
}

gpu::RenderPassDescriptor makeScenePass(const gpu::Texture& drawable, const gpu::Texture* msaaColor,
                                        const gpu::Texture& depth) {
    gpu::RenderPassDescriptor pass;
    auto& colour = pass.colorAttachments[0];
    colour.loadAction = gpu::LoadAction::dontCare;
    if (msaaColor) {
        colour.texture = msaaColor;
        colour.resolveTexture = &drawable;
        colour.storeAction = gpu::StoreAction::multisampleResolve;
    } else {
        colour.texture = &drawable;
        colour.storeAction = gpu::StoreAction::store;
    }
    pass.depthAttachment.texture = &depth;
    pass.depthAttachment.loadAction = gpu::LoadAction::clear;
    pass.depthAttachment.storeAction = gpu::StoreAction::dontCare;
    pass.depthAttachment.clearDepth = 1.0;
    return pass;
}

gpu::RenderPassDescriptor SceneTargets::pass(const gpu::Texture& colour) const {
    return makeScenePass(colour, msaaColor ? &*msaaColor : nullptr, *depth);
}

}  // namespace lumen::app
