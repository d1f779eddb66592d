#pragma once

// Everything a renderer uses from the GPU layer.

#include "gpu/BlitEncoder.hpp"
#include "gpu/Buffer.hpp"
#include "gpu/CommandBuffer.hpp"
#include "gpu/ComputeEncoder.hpp"
#include "gpu/ComputePipeline.hpp"
#include "gpu/DepthState.hpp"
#include "gpu/Device.hpp"
#include "gpu/PixelFormat.hpp"
#include "gpu/Readback.hpp"
#include "gpu/RenderEncoder.hpp"
#include "gpu/RenderPassDescriptor.hpp"
#include "gpu/RenderPipeline.hpp"
#include "gpu/Result.hpp"
#include "gpu/Sampler.hpp"
#include "gpu/ShaderLibrary.hpp"
#include "gpu/Texture.hpp"
#include "gpu/WindowSurface.hpp"
#include "gpu/WorkCounters.hpp"
