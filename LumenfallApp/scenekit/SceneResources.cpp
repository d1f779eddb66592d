#include "scenekit/SceneResources.hpp"

#include "scenekit/GpuContext.hpp"
#include "scenekit/SceneError.hpp"

#include <cassert>
#include <limits>
#include <string>

namespace lumen::app {

gpu::RenderPipeline makePipeline(GpuContext& gpu, std::string_view label, const gpu::ShaderLibrary& library,
                                 std::string_view vertexFunction, std::string_view fragmentFunction,
                                 int sampleCount, BlendMode blend, bool alphaToCoverage,
                                 gpu::PixelFormat colorFormat) {
    assert(gpu.onOwnerThread());
    gpu::RenderPipelineDescriptor descriptor;
    descriptor.label = label;
    descriptor.library = &library;
    descriptor.vertexFunction = vertexFunction;
    descriptor.fragmentFunction = fragmentFunction;
    descriptor.colorAttachments[0].pixelFormat = colorFormat;
    applyBlendMode(blend, descriptor.colorAttachments[0]);
    descriptor.depthAttachmentPixelFormat = gpu::PixelFormat::depth32Float;
    descriptor.sampleCount = sampleCount;
    // Coverage from alpha means nothing without samples to cover.
    descriptor.alphaToCoverageEnabled = alphaToCoverage && sampleCount > 1;
    return buildPipeline(gpu.device(), descriptor);
}

gpu::RenderPipeline buildPipeline(gpu::Device& device, const gpu::RenderPipelineDescriptor& descriptor) {
    const auto& library = *descriptor.library;
    const std::string vertex(descriptor.vertexFunction), fragment(descriptor.fragmentFunction);
    if (!library.hasFunction(vertex) || !library.hasFunction(fragment)) {
        throw SceneException(SceneError::pipeline(vertex + "/" + fragment));
    }
    auto made = device.makeRenderPipeline(descriptor);
    if (!made) throw SceneException(SceneError::pipeline(fragment + ": " + made.error().message));
    return std::move(made.value());
}

gpu::ComputePipeline makeComputePipeline(GpuContext& gpu, std::string_view kernel, const gpu::ShaderLibrary& library) {
    assert(gpu.onOwnerThread());
    if (!library.hasFunction(kernel)) throw SceneException(SceneError::pipeline(std::string(kernel)));
    gpu::ComputePipelineDescriptor descriptor;
    descriptor.label = kernel;
    descriptor.library = &library;
    descriptor.computeFunction = kernel;
    auto made = gpu.device().makeComputePipeline(descriptor);
    if (!made) throw SceneException(SceneError::pipeline(std::string(kernel) + ": " + made.error().message));
    return std::move(made.value());
}

gpu::Buffer makeBuffer(GpuContext& gpu, const void* records, std::size_t count, std::size_t stride,
                       std::string_view label) {
    assert(gpu.onOwnerThread());
    gpu::BufferDescriptor descriptor;
    descriptor.label = label;
    if (count == 0) {
        // Something to bind even when there is nothing to hold.
        descriptor.size = 16;
    } else {
        if (records == nullptr || stride == 0 || count > std::numeric_limits<std::size_t>::max() / stride) {
            throw SceneException(SceneError::resource(std::string(label)));
        }
        descriptor.size = count * stride;
        descriptor.contents = records;
    }
    auto made = gpu.device().makeBuffer(descriptor);
    if (!made) throw SceneException(SceneError::resource(std::string(label)));
    return std::move(made.value());
}

}  // namespace lumen::app
