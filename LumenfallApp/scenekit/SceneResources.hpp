#pragma once

#include "scenekit/BlendMode.hpp"

#include "gpu/Gpu.hpp"

#include <span>
#include <string_view>

namespace lumen::app {

class GpuContext;

// Scene pipelines draw into bgra8Unorm colour (or `colorFormat`, for off-screen targets of their own)
// with a depth32Float depth attachment, matching the host's targets. Throws SceneException::pipeline: "<vertex>/<fragment>" for a missing function,
// "<fragment>: <device message>" when the device refuses.
gpu::RenderPipeline makePipeline(GpuContext& gpu, std::string_view label, const gpu::ShaderLibrary& library,
                                 std::string_view vertexFunction, std::string_view fragmentFunction,
                                 int sampleCount, BlendMode blend, bool alphaToCoverage = false,
                                 gpu::PixelFormat colorFormat = gpu::PixelFormat::bgra8Unorm);

// Makes a pipeline a scene describes itself (its own targets' formats and blending), with the
// errors makePipeline throws.
gpu::RenderPipeline buildPipeline(gpu::Device& device, const gpu::RenderPipelineDescriptor& descriptor);

// Throws SceneException::pipeline: the kernel name when it is missing, "<kernel>: <device message>"
// when the device refuses it.
gpu::ComputePipeline makeComputePipeline(GpuContext& gpu, std::string_view kernel, const gpu::ShaderLibrary& library);

// A buffer holding `count` records of `stride` bytes; an empty list gives a 16-byte buffer.
// Throws SceneException::resource with the label.
gpu::Buffer makeBuffer(GpuContext& gpu, const void* records, std::size_t count, std::size_t stride,
                       std::string_view label);

template <class Record>
gpu::Buffer makeBuffer(GpuContext& gpu, std::span<const Record> records, std::string_view label) {
    return makeBuffer(gpu, records.data(), records.size(), sizeof(Record), label);
}

}  // namespace lumen::app
