#include "gpu/gl/PassShape.hpp"

#include "gpu/Texture.hpp"

#include <cstdio>
#include <string>
#include <string_view>

namespace lumen::gpu::detail {

namespace {

Error invalid(const std::string& why) { return makeError(ErrorKind::invalidDescriptor, "render pass: " + why); }

std::string name(const Texture& texture)
{
    return texture.label().empty() ? std::string("a texture") : "\"" + texture.label() + "\"";
}

bool resolves(StoreAction action)
{
    return action == StoreAction::multisampleResolve || action == StoreAction::storeAndMultisampleResolve;
}

// Checks one attachment against the pass so far; the first attachment sets size and samples.
Result<void> checkAttachment(const Texture& t, int level, LoadAction load, StoreAction store,
                             const Texture* resolve, PassShape& shape, bool& first, std::string_view whichText)
{
    // Only a failure spells the attachment out: checking a good pass allocates nothing.
    auto which = [whichText] { return std::string(whichText); };
    if (t.glName() == 0) {
        return invalid(which() + " is an empty texture");
    }
    if (!contains(t.usage(), TextureUsage::renderTarget)) {
        return invalid(which() + " " + name(t) + " lacks renderTarget usage");
    }
    if (level < 0 || level >= t.mipmapLevelCount()) {
        return invalid(which() + " names level " + std::to_string(level) + " of " + name(t));
    }
    const int w = t.levelWidth(level), h = t.levelHeight(level);
    if (first) {
        shape.width = w;
        shape.height = h;
        shape.sampleCount = t.sampleCount();
        first = false;
    } else if (w != shape.width || h != shape.height) {
        return invalid(which() + " " + name(t) + " is " + std::to_string(w) + "x" + std::to_string(h) +
                       ", the pass is " + std::to_string(shape.width) + "x" + std::to_string(shape.height));
    } else if (t.sampleCount() != shape.sampleCount) {
        return invalid(which() + " " + name(t) + " has " + std::to_string(t.sampleCount()) +
                       " samples, the pass has " + std::to_string(shape.sampleCount));
    }
    if (t.isMemoryless() && load == LoadAction::load) {
        return invalid(which() + " " + name(t) + " is memoryless: nothing to load");
    }
    if (t.isMemoryless() && (store == StoreAction::store || store == StoreAction::storeAndMultisampleResolve)) {
        return invalid(which() + " " + name(t) + " is memoryless: it cannot be stored");
    }
    if (resolves(store)) {
        if (t.sampleCount() < 2) {
            return invalid(which() + " resolves but has one sample");
        }
        if (resolve == nullptr || resolve->glName() == 0) {
            return invalid(which() + " resolves but has no resolve texture");
        }
        if (resolve->sampleCount() != 1 || resolve->isMemoryless() ||
            !contains(resolve->usage(), TextureUsage::renderTarget)) {
            return invalid(which() + " resolve texture " + name(*resolve) +
                           " must be a one-sample render target with storage");
        }
        if (resolve->width() != w || resolve->height() != h || resolve->format() != t.format()) {
            return invalid(which() + " resolve texture " + name(*resolve) + " differs in size or format");
        }
    } else if (resolve != nullptr) {
        return invalid(which() + " has a resolve texture but its store action does not resolve");
    }
    return {};
}

}  // namespace

Result<PassShape> checkPass(const RenderPassDescriptor& pass)
{
    PassShape shape;
    bool first = true;
    for (int i = 0; i < maxColorAttachments; ++i) {
        const auto& a = pass.colorAttachments[i];
        if (a.texture == nullptr) {
            continue;
        }
        char whichText[32];
        std::snprintf(whichText, sizeof whichText, "colour attachment %d", i);
        auto which = [&whichText] { return std::string(whichText); };
        if (isDepthFormat(a.texture->format())) {
            return invalid(which() + " has a depth format");
        }
        if (a.texture->type() == TextureType::type3D &&
            (a.slice < 0 || a.slice >= a.texture->levelDepth(a.level))) {
            return invalid(which() + " names slice " + std::to_string(a.slice) + " outside the texture");
        }
        if (auto ok = checkAttachment(*a.texture, a.level, a.loadAction, a.storeAction, a.resolveTexture, shape,
                                      first, whichText);
            !ok) {
            return ok.error();
        }
        shape.colorFormats[i] = a.texture->format();
    }
    const auto& d = pass.depthAttachment;
    if (d.texture != nullptr) {
        if (!isDepthFormat(d.texture->format())) {
            return invalid("the depth attachment has a colour format");
        }
        if (d.texture->type() == TextureType::type3D) {
            return invalid("the depth attachment cannot be a 3D texture");
        }
        if (auto ok = checkAttachment(*d.texture, 0, d.loadAction, d.storeAction, d.resolveTexture, shape, first,
                                      "the depth attachment");
            !ok) {
            return ok.error();
        }
        shape.depthFormat = d.texture->format();
    }
    if (first) {
        return invalid("no attachments");
    }
    return shape;
}

std::string mismatch(const RenderPipeline& pipeline, const PassShape& pass)
{
    // Built only for an answer: setPipeline asks this on every call.
    auto name = [&pipeline] {
        return pipeline.label().empty() ? std::string("pipeline") : "pipeline \"" + pipeline.label() + "\"";
    };
    if (pipeline.sampleCount() != pass.sampleCount) {
        return name() + " has sample count " + std::to_string(pipeline.sampleCount()) + " but the pass has " +
               std::to_string(pass.sampleCount);
    }
    for (int i = 0; i < maxColorAttachments; ++i) {
        const PixelFormat wants = pipeline.colorAttachment(i).pixelFormat;
        if (wants != PixelFormat::invalid && wants != pass.colorFormats[i]) {
            return name() + " writes colour attachment " + std::to_string(i) + " as " + formatInfo(wants).name +
                   " but the pass has " + formatInfo(pass.colorFormats[i]).name;
        }
    }
    if (pipeline.depthAttachmentPixelFormat() != pass.depthFormat) {
        return name() + " expects depth format " + formatInfo(pipeline.depthAttachmentPixelFormat()).name +
               " but the pass has " + formatInfo(pass.depthFormat).name;
    }
    return {};
}

}  // namespace lumen::gpu::detail
