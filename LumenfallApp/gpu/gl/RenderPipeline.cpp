#include "gpu/RenderPipeline.hpp"

#include "gpu/Device.hpp"
#include "gpu/gl/ProgramCache.hpp"
#include "gpu/ShaderLibrary.hpp"

#include <epoxy/gl.h>

#include <algorithm>
#include <iterator>

namespace lumen::gpu {

namespace {

GLenum glFactor(BlendFactor factor)
{
    switch (factor) {
    case BlendFactor::zero: return GL_ZERO;
    case BlendFactor::one: return GL_ONE;
    case BlendFactor::sourceColor: return GL_SRC_COLOR;
    case BlendFactor::oneMinusSourceColor: return GL_ONE_MINUS_SRC_COLOR;
    case BlendFactor::sourceAlpha: return GL_SRC_ALPHA;
    case BlendFactor::oneMinusSourceAlpha: return GL_ONE_MINUS_SRC_ALPHA;
    case BlendFactor::destinationColor: return GL_DST_COLOR;
    case BlendFactor::oneMinusDestinationColor: return GL_ONE_MINUS_DST_COLOR;
    case BlendFactor::destinationAlpha: return GL_DST_ALPHA;
    case BlendFactor::oneMinusDestinationAlpha: return GL_ONE_MINUS_DST_ALPHA;
    case BlendFactor::sourceAlphaSaturated: return GL_SRC_ALPHA_SATURATE;
    case BlendFactor::blendColor: return GL_CONSTANT_COLOR;
    case BlendFactor::oneMinusBlendColor: return GL_ONE_MINUS_CONSTANT_COLOR;
    case BlendFactor::blendAlpha: return GL_CONSTANT_ALPHA;
    case BlendFactor::oneMinusBlendAlpha: return GL_ONE_MINUS_CONSTANT_ALPHA;
    }
    return GL_ONE;
}

GLenum glOperation(BlendOperation operation)
{
    switch (operation) {
    case BlendOperation::add: return GL_FUNC_ADD;
    case BlendOperation::subtract: return GL_FUNC_SUBTRACT;
    case BlendOperation::reverseSubtract: return GL_FUNC_REVERSE_SUBTRACT;
    case BlendOperation::min: return GL_MIN;
    case BlendOperation::max: return GL_MAX;
    }
    return GL_FUNC_ADD;
}

Error invalid(std::string_view label, const std::string& why)
{
    const std::string name = label.empty() ? "render pipeline" : "render pipeline \"" + std::string(label) + "\"";
    return makeError(ErrorKind::invalidDescriptor, name + ": " + why);
}

}  // namespace

Result<RenderPipeline> RenderPipeline::create(Device& device, const RenderPipelineDescriptor& d)
{
    const int samples = d.sampleCount == 0 ? 1 : d.sampleCount;
    if (d.library == nullptr) {
        return invalid(d.label, "no shader library");
    }
    if (samples < 1 || samples > device.info().maxSamples || (samples & (samples - 1)) != 0) {
        return invalid(d.label, "sample count " + std::to_string(samples) + " is not supported");
    }
    for (int i = 0; i < maxColorAttachments; ++i) {
        if (isDepthFormat(d.colorAttachments[i].pixelFormat)) {
            return invalid(d.label, "colour attachment " + std::to_string(i) + " has a depth format");
        }
    }
    if (d.depthAttachmentPixelFormat != PixelFormat::invalid && !isDepthFormat(d.depthAttachmentPixelFormat)) {
        return invalid(d.label, "the depth attachment format is not a depth format");
    }

    auto program = device.programs().renderProgram(*d.library, d.vertexFunction, d.fragmentFunction);
    if (!program) {
        return program.error();
    }

    RenderPipeline pipeline;
    pipeline.label_ = std::string(d.label);
    pipeline.vertex_ = std::string(d.vertexFunction);
    pipeline.fragment_ = std::string(d.fragmentFunction);
    pipeline.sampleCount_ = samples;
    pipeline.alphaToCoverage_ = d.alphaToCoverageEnabled;
    std::copy(std::begin(d.colorAttachments), std::end(d.colorAttachments), pipeline.colors_.begin());
    pipeline.depthFormat_ = d.depthAttachmentPixelFormat;
    pipeline.program_ = *program;
    pipeline.interface_ = detail::reflect(*program);
    return pipeline;
}

void RenderPipeline::apply() const
{
    glUseProgram(program_);
    for (int i = 0; i < maxColorAttachments; ++i) {
        const auto& c = colors_[i];
        const auto index = static_cast<GLuint>(i);
        if (c.blendingEnabled) {
            glEnablei(GL_BLEND, index);
            glBlendEquationSeparatei(index, glOperation(c.rgbBlendOperation), glOperation(c.alphaBlendOperation));
            glBlendFuncSeparatei(index, glFactor(c.sourceRGBBlendFactor), glFactor(c.destinationRGBBlendFactor),
                                 glFactor(c.sourceAlphaBlendFactor), glFactor(c.destinationAlphaBlendFactor));
        } else {
            glDisablei(GL_BLEND, index);
        }
        const auto mask = static_cast<unsigned>(c.writeMask);
        glColorMaski(index, (mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0);
    }
    if (alphaToCoverage_ && sampleCount_ > 1) {
        glEnable(GL_SAMPLE_ALPHA_TO_COVERAGE);
    } else {
        glDisable(GL_SAMPLE_ALPHA_TO_COVERAGE);
    }
}

}  // namespace lumen::gpu
