#pragma once

// Internal: what a render pass descriptor amounts to once checked: the size, sample count and
// formats every pipeline used in it must match.

#include "gpu/PixelFormat.hpp"
#include "gpu/RenderPassDescriptor.hpp"
#include "gpu/Result.hpp"

#include <array>

namespace lumen::gpu::detail {

struct PassShape {
    int width = 0;
    int height = 0;
    int sampleCount = 1;
    std::array<PixelFormat, maxColorAttachments> colorFormats{};
    PixelFormat depthFormat = PixelFormat::invalid;
};

Result<PassShape> checkPass(const RenderPassDescriptor& pass);

// Empty when the pipeline fits the pass, else why not.
std::string mismatch(const RenderPipeline& pipeline, const PassShape& pass);

}  // namespace lumen::gpu::detail
