#include "scenekit/BlendMode.hpp"

namespace lumen::app {

namespace {

using gpu::BlendFactor;
using gpu::BlendOperation;

void blend(gpu::RenderPipelineColorAttachment& a, BlendOperation operation, BlendFactor sourceRGB,
           BlendFactor destinationRGB, BlendFactor sourceAlpha, BlendFactor destinationAlpha) {
    a.blendingEnabled = true;
    a.rgbBlendOperation = operation;
    a.alphaBlendOperation = operation;
    a.sourceRGBBlendFactor = sourceRGB;
    a.destinationRGBBlendFactor = destinationRGB;
    a.sourceAlphaBlendFactor = sourceAlpha;
    a.destinationAlphaBlendFactor = destinationAlpha;
}

}  // namespace

void applyBlendMode(BlendMode mode, gpu::RenderPipelineColorAttachment& attachment) {
    using F = BlendFactor;
    switch (mode) {
    case BlendMode::opaque: {
        // Back to a plain attachment, so an earlier mode leaves nothing behind.
        gpu::RenderPipelineColorAttachment plain;
        plain.pixelFormat = attachment.pixelFormat;
        plain.writeMask = attachment.writeMask;
        attachment = plain;
        return;
    }
    case BlendMode::additive:
        blend(attachment, BlendOperation::add, F::one, F::one, F::zero, F::one);
        return;
    case BlendMode::alpha:
        blend(attachment, BlendOperation::add, F::sourceAlpha, F::oneMinusSourceAlpha, F::one, F::oneMinusSourceAlpha);
        return;
    case BlendMode::premultiplied:
        blend(attachment, BlendOperation::add, F::one, F::oneMinusSourceAlpha, F::one, F::oneMinusSourceAlpha);
        return;
    case BlendMode::minimum:
        blend(attachment, BlendOperation::min, F::one, F::one, F::one, F::one);
        return;
    case BlendMode::maximum:
        blend(attachment, BlendOperation::max, F::one, F::one, F::one, F::one);
        return;
    }
}

}  // namespace lumen::app
