#pragma once

#include "gpu/Gpu.hpp"

#include <optional>

namespace lumen::app {

// The memoryless attachments of one scene pass: multisampled bgra8Unorm colour when the sample
// count is above 1, and depth32Float depth with the same sample count. Scenes draw into exactly
// these formats, so every host pass (a display, a cross-fade snapshot, a still) is made here.
struct SceneTargets {
    std::optional<gpu::Texture> msaaColor;
    std::optional<gpu::Texture> depth;

    // Drops what was there and makes the targets for a width x height pass. False when one of
    // them could not be made (then the pass cannot be drawn).
    bool make(gpu::Device& device, int width, int height, int sampleCount);
    // The scene pass over these targets into `colour` (after a successful make).
    gpu::RenderPassDescriptor pass(const gpu::Texture& colour) const;
};

// Makes one memoryless scene target; none when the device refuses it.
std::optional<gpu::Texture> makeSceneTarget(gpu::Device& device, gpu::PixelFormat format, int width, int height,
                                            int sampleCount);

// A scene pass: colour into `drawable` (or `msaaColor` resolving into it), load action don't-care
// since scenes cover every pixel; depth cleared to 1 and never stored.
gpu::RenderPassDescriptor makeScenePass(const gpu::Texture& drawable, const gpu::Texture* msaaColor,
                                        const gpu::Texture& depth);

}  // namespace lumen::app
