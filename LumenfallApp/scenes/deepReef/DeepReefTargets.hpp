#pragma once

#include "gpu/Gpu.hpp"

#include <optional>

namespace lumen::app {

// One view's off-screen reef pass: 4x multisampled colour and depth that live only inside the
// pass, resolved into the colour and depth the depth-of-field composite samples.
struct DeepReefTargets {
    static constexpr int sampleCount = 4;

    std::optional<gpu::Texture> color;
    std::optional<gpu::Texture> depth;
    std::optional<gpu::Texture> msaaColor;
    std::optional<gpu::Texture> msaaDepth;
    float focus = 4.0f;  // metres

    bool fits(int width, int height) const {
        return color && color->width() == width && color->height() == height;
    }
    // All four textures at `width` x `height`; none when one of them cannot be made.
    static std::optional<DeepReefTargets> make(gpu::Device& device, int width, int height);
};

}  // namespace lumen::app
