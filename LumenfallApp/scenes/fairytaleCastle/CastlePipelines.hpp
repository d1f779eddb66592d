#pragma once

#include "gpu/Gpu.hpp"

namespace lumen::app {

class GpuContext;

// The nine pipelines of one castle pass: the main view's or the lake mirror's.
struct CastlePipelines {
    gpu::RenderPipeline sky, terrain, castle, trees, glow, stars, rise, flash, smoke;

    // Main set: bgra8Unorm at `sampleCount`. Mirror set: rgba16Float, one sample, labels "mirror ...".
    // Throws SceneException::pipeline.
    static CastlePipelines make(GpuContext& gpu, const gpu::ShaderLibrary& library, bool mirror, int sampleCount);
};

}  // namespace lumen::app
