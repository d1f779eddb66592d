#pragma once

#include "gpu/RenderPipeline.hpp"

namespace lumen::app {

// The six ways scene pipelines blend into colour attachment 0.
enum class BlendMode { opaque = 0, additive = 1, alpha = 2, premultiplied = 3, minimum = 4, maximum = 5 };

void applyBlendMode(BlendMode mode, gpu::RenderPipelineColorAttachment& attachment);

}  // namespace lumen::app
