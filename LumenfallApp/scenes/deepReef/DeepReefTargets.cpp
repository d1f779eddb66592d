#include "scenes/deepReef/DeepReefTargets.hpp"

namespace lumen::app {

std::optional<DeepReefTargets> DeepReefTargets::make(gpu::Device& device, int width, int height) {
    if (width <= 0 || height <= 0) return std::nullopt;
    const auto sampled = gpu::TextureUsage::shaderRead | gpu::TextureUsage::renderTarget;
    auto color = device.makeTexture(
        {.format = gpu::PixelFormat::bgra8Unorm, .width = width, .height = height, .usage = sampled, .label = "reef color"});
    auto depth = device.makeTexture({.format = gpu::PixelFormat::depth32Float,
                                     .width = width,
                                     .height = height,
                                     .usage = sampled,
                                     .label = "reef depth"});
    auto msaaColor = device.makeTexture({.type = gpu::TextureType::type2DMultisample,
                                         .format = gpu::PixelFormat::bgra8Unorm,
                                         .width = width,
                                         .height = height,
                                         .sampleCount = sampleCount,
                                         .usage = gpu::TextureUsage::renderTarget,
                                         .memoryless = true,
                                         .label = "reef msaa color"});
    auto msaaDepth = device.makeTexture({.type = gpu::TextureType::type2DMultisample,
                                         .format = gpu::PixelFormat::depth32Float,
                                         .width = width,
                                         .height = height,
                                         .sampleCount = sampleCount,
                                         .usage = gpu::TextureUsage::renderTarget,
                                         .memoryless = true,
                                         .label = "reef msaa depth"});
    if (!color || !depth || !msaaColor || !msaaDepth) return std::nullopt;
    DeepReefTargets targets;
    targets.color.emplace(std::move(color.value()));
    targets.depth.emplace(std::move(depth.value()));
    targets.msaaColor.emplace(std::move(msaaColor.value()));
    targets.msaaDepth.emplace(std::move(msaaDepth.value()));
    return targets;
}

}  // namespace lumen::app
