#pragma once

#include "gpu/PixelFormat.hpp"
#include "gpu/ProgramInterface.hpp"
#include "gpu/Result.hpp"

#include <array>
#include <string>
#include <string_view>

namespace lumen::gpu {

class Device;
class ShaderLibrary;

constexpr int maxColorAttachments = 4;

enum class BlendFactor {
    zero,
    one,
    sourceColor,
    oneMinusSourceColor,
    sourceAlpha,
    oneMinusSourceAlpha,
    destinationColor,
    oneMinusDestinationColor,
    destinationAlpha,
    oneMinusDestinationAlpha,
    sourceAlphaSaturated,
    blendColor,
    oneMinusBlendColor,
    blendAlpha,
    oneMinusBlendAlpha,
};

// min and max ignore the factors, as in GL.
enum class BlendOperation { add, subtract, reverseSubtract, min, max };

enum class ColorWriteMask : unsigned { none = 0, red = 1, green = 2, blue = 4, alpha = 8, all = 15 };

// An attachment with format `invalid` is not written by the pipeline.
struct RenderPipelineColorAttachment {
    PixelFormat pixelFormat = PixelFormat::invalid;
    bool blendingEnabled = false;
    BlendOperation rgbBlendOperation = BlendOperation::add;
    BlendOperation alphaBlendOperation = BlendOperation::add;
    BlendFactor sourceRGBBlendFactor = BlendFactor::one;
    BlendFactor destinationRGBBlendFactor = BlendFactor::zero;
    BlendFactor sourceAlphaBlendFactor = BlendFactor::one;
    BlendFactor destinationAlphaBlendFactor = BlendFactor::zero;
    ColorWriteMask writeMask = ColorWriteMask::all;
};

struct RenderPipelineDescriptor {
    std::string_view label;
    const ShaderLibrary* library = nullptr;
    std::string_view vertexFunction;
    std::string_view fragmentFunction;  // empty: depth-only
    // A plain array, so `.colorAttachments = {{.pixelFormat = ...}}` reads naturally.
    RenderPipelineColorAttachment colorAttachments[maxColorAttachments]{};
    PixelFormat depthAttachmentPixelFormat = PixelFormat::invalid;
    int sampleCount = 0;  // 0 means 1
    bool alphaToCoverageEnabled = false;
};

// A program plus the fixed-function state it was made for. The program belongs to the device's
// cache; pipelines made from the same functions share it.
class RenderPipeline {
public:
    static Result<RenderPipeline> create(Device& device, const RenderPipelineDescriptor& descriptor);

    RenderPipeline(RenderPipeline&&) noexcept = default;
    RenderPipeline& operator=(RenderPipeline&&) noexcept = default;
    RenderPipeline(const RenderPipeline&) = delete;
    RenderPipeline& operator=(const RenderPipeline&) = delete;

    const std::string& label() const { return label_; }
    const std::string& vertexFunction() const { return vertex_; }
    const std::string& fragmentFunction() const { return fragment_; }
    int sampleCount() const { return sampleCount_; }
    bool alphaToCoverageEnabled() const { return alphaToCoverage_; }
    const RenderPipelineColorAttachment& colorAttachment(int index) const { return colors_[index]; }
    PixelFormat depthAttachmentPixelFormat() const { return depthFormat_; }

    unsigned glProgram() const { return program_; }
    const detail::ProgramInterface& interface() const { return interface_; }

    // Sets program, blending, write masks and alpha-to-coverage; used by the render encoder.
    void apply() const;

private:
    RenderPipeline() = default;

    std::string label_;
    std::string vertex_;
    std::string fragment_;
    int sampleCount_ = 1;
    bool alphaToCoverage_ = false;
    std::array<RenderPipelineColorAttachment, maxColorAttachments> colors_{};
    PixelFormat depthFormat_ = PixelFormat::invalid;
    unsigned program_ = 0;
    detail::ProgramInterface interface_;
};

}  // namespace lumen::gpu
