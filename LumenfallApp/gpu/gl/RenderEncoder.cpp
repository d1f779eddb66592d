#include "gpu/RenderEncoder.hpp"

#include "gpu/Buffer.hpp"
#include "gpu/DepthState.hpp"
#include "gpu/Device.hpp"
#include "gpu/gl/FramebufferCache.hpp"
#include "gpu/gl/PassShape.hpp"
#include "gpu/RenderPipeline.hpp"
#include "gpu/gl/Runtime.hpp"
#include "gpu/Sampler.hpp"
#include "gpu/gl/StatePool.hpp"
#include "gpu/Texture.hpp"
#include "gpu/gl/UniformRing.hpp"
#include "gpu/WorkCounters.hpp"

#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

namespace lumen::gpu {

struct RenderEncoder::State {
    Device* device = nullptr;
    WorkCounters* counters = nullptr;  // the command buffer's
    RenderPassDescriptor pass;
    detail::PassShape shape;
    std::string label;
    unsigned framebuffer = 0;
    bool open = true;
    const RenderPipeline* pipeline = nullptr;
    std::string pipelineProblem;  // why the current pipeline cannot draw into this pass
    std::array<std::size_t, maxSlots> bytes{};  // bound uniform size per slot, 0 = none
    std::array<bool, maxSlots> buffers{};
    std::array<bool, maxSlots> textures{};
    int draws = 0;
    int skipped = 0;

    // Every field anew, the strings keeping their storage (a recycled state, see StatePool).
    void restart()
    {
        std::string keptLabel = std::move(label);
        std::string keptProblem = std::move(pipelineProblem);
        *this = State{};
        label = std::move(keptLabel);
        label.clear();
        pipelineProblem = std::move(keptProblem);
        pipelineProblem.clear();
    }
};

namespace {

// Attachments a pass may invalidate: every colour attachment and the depth.
using DiscardList = std::array<GLenum, maxColorAttachments + 1>;

GLenum glPrimitive(PrimitiveType type)
{
    switch (type) {
    case PrimitiveType::point: return GL_POINTS;
    case PrimitiveType::line: return GL_LINES;
    case PrimitiveType::lineStrip: return GL_LINE_STRIP;
    case PrimitiveType::triangle: return GL_TRIANGLES;
    case PrimitiveType::triangleStrip: return GL_TRIANGLE_STRIP;
    }
    return GL_TRIANGLES;
}

bool dropsContents(StoreAction action)
{
    return action == StoreAction::dontCare || action == StoreAction::multisampleResolve;
}

void resolveInto(unsigned from, GLenum readBuffer, const Texture& target, GLbitfield mask, int width, int height)
{
    detail::FramebufferAttachments a;
    if (mask == GL_DEPTH_BUFFER_BIT) {
        a.depth = &target;
    } else {
        a.color[0] = &target;
    }
    std::string why;
    const unsigned into = detail::runtime()->framebuffers->framebuffer(a, why);
    if (into == 0) {
        detail::violation("resolve target \"" + target.label() + "\" is not renderable: " + why);
        return;
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, from);
    glReadBuffer(readBuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, into);
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, mask, GL_NEAREST);
}

}  // namespace

detail::StatePool<RenderEncoder::State>& RenderEncoder::states()
{
    static detail::StatePool<State> pool;
    return pool;
}

Result<RenderEncoder> RenderEncoder::begin(Device& device, WorkCounters& counters, const RenderPassDescriptor& pass,
                                           std::string_view label)
{
    auto shape = detail::checkPass(pass);
    if (!shape) {
        return shape.error();
    }
    detail::FramebufferAttachments attachments;
    for (int i = 0; i < maxColorAttachments; ++i) {
        attachments.color[i] = pass.colorAttachments[i].texture;
        attachments.colorLevel[i] = pass.colorAttachments[i].level;
        attachments.colorSlice[i] = pass.colorAttachments[i].slice;
    }
    attachments.depth = pass.depthAttachment.texture;
    std::string why;
    auto* rt = detail::runtime();
    const unsigned framebuffer = rt->framebuffers->framebuffer(attachments, why);
    if (framebuffer == 0) {
        return makeError(ErrorKind::unsupported, "render pass: the driver cannot render to it (" + why + ")");
    }

    auto state = states().take();
    state->restart();
    state->device = &device;
    state->counters = &counters;
    state->pass = pass;
    state->shape = *shape;
    state->label.assign(label);
    state->framebuffer = framebuffer;
    rt->encoderOpen = true;
    ++counters.renderPasses;
    const bool colour = std::any_of(shape->colorFormats.begin(), shape->colorFormats.end(),
                                    [](PixelFormat format) { return format != PixelFormat::invalid; });
    if (colour) {
        counters.pixelsWritten += static_cast<std::uint64_t>(shape->width) * static_cast<std::uint64_t>(shape->height);
    }

    const std::string_view group = label.empty() ? std::string_view("render pass") : label;
    glPushDebugGroup(GL_DEBUG_SOURCE_APPLICATION, 0, static_cast<GLsizei>(group.size()), group.data());
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);

    // Every pass starts from the same state, whatever the last one left behind.
    glDisable(GL_SCISSOR_TEST);
    glViewport(0, 0, shape->width, shape->height);
    glDepthRangef(0.0f, 1.0f);
    glDisable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glEnable(GL_MULTISAMPLE);
    glDisable(GL_SAMPLE_ALPHA_TO_COVERAGE);

    // Load actions. Clears obey the write masks, so open them first.
    DiscardList discard{};
    std::size_t discarding = 0;
    for (int i = 0; i < maxColorAttachments; ++i) {
        const auto& a = pass.colorAttachments[i];
        if (a.texture == nullptr) {
            continue;
        }
        glColorMaski(static_cast<GLuint>(i), GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        if (a.loadAction == LoadAction::clear) {
            const GLfloat c[4] = {static_cast<GLfloat>(a.clearColor.red), static_cast<GLfloat>(a.clearColor.green),
                                  static_cast<GLfloat>(a.clearColor.blue), static_cast<GLfloat>(a.clearColor.alpha)};
            glClearBufferfv(GL_COLOR, i, c);
        } else if (a.loadAction == LoadAction::dontCare) {
            discard[discarding++] = GL_COLOR_ATTACHMENT0 + i;
        }
    }
    if (const auto& d = pass.depthAttachment; d.texture != nullptr) {
        glDepthMask(GL_TRUE);
        if (d.loadAction == LoadAction::clear) {
            const GLfloat depth = static_cast<GLfloat>(d.clearDepth);
            glClearBufferfv(GL_DEPTH, 0, &depth);
        } else if (d.loadAction == LoadAction::dontCare) {
            discard[discarding++] = GL_DEPTH_ATTACHMENT;
        }
    }
    if (discarding > 0) {
        glInvalidateFramebuffer(GL_FRAMEBUFFER, static_cast<GLsizei>(discarding), discard.data());
    }
    // The default depth state neither tests nor writes.
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    return RenderEncoder(std::move(state));
}

RenderEncoder::RenderEncoder(std::unique_ptr<State> state) : state_(std::move(state)) {}
RenderEncoder::RenderEncoder(RenderEncoder&&) noexcept = default;

RenderEncoder& RenderEncoder::operator=(RenderEncoder&& other) noexcept
{
    if (this != &other) {
        if (isEncoding()) {
            endEncoding();
        }
        states().give(std::move(state_));
        state_ = std::move(other.state_);
    }
    return *this;
}

RenderEncoder::~RenderEncoder()
{
    if (isEncoding()) {
        detail::violation("render encoder \"" + state_->label + "\" destroyed without endEncoding()");
        endEncoding();
    }
    states().give(std::move(state_));
}

bool RenderEncoder::isEncoding() const { return state_ && state_->open && detail::runtime(); }
int RenderEncoder::width() const { return state_ ? state_->shape.width : 0; }
int RenderEncoder::height() const { return state_ ? state_->shape.height : 0; }
int RenderEncoder::sampleCount() const { return state_ ? state_->shape.sampleCount : 0; }
int RenderEncoder::drawCount() const { return state_ ? state_->draws : 0; }
int RenderEncoder::skippedDrawCount() const { return state_ ? state_->skipped : 0; }

bool RenderEncoder::usable(std::string_view call) const
{
    if (isEncoding()) {
        return true;
    }
    detail::violation(std::string(call) + " on a render encoder that is not encoding (outside its pass)");
    return false;
}

void RenderEncoder::setPipeline(const RenderPipeline& pipeline)
{
    if (!usable("setPipeline")) {
        return;
    }
    state_->pipeline = &pipeline;
    state_->pipelineProblem = detail::mismatch(pipeline, state_->shape);
    if (!state_->pipelineProblem.empty()) {
        detail::violation(state_->pipelineProblem);
        return;
    }
    pipeline.apply();
    ++state_->counters->pipelineBinds;
}

void RenderEncoder::setDepthState(const DepthState& depth)
{
    if (!usable("setDepthState")) {
        return;
    }
    if (depth.isPassThrough()) {
        glDisable(GL_DEPTH_TEST);
    } else {
        // GL skips depth writes while the test is off, so "always + write" still needs it on.
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(depth.glFunction());
    }
    glDepthMask(depth.writeEnabled() ? GL_TRUE : GL_FALSE);
}

void RenderEncoder::setCullMode(CullMode mode)
{
    if (!usable("setCullMode")) {
        return;
    }
    if (mode == CullMode::none) {
        glDisable(GL_CULL_FACE);
    } else {
        glEnable(GL_CULL_FACE);
        glCullFace(mode == CullMode::front ? GL_FRONT : GL_BACK);
    }
}

void RenderEncoder::setFrontFacing(Winding winding)
{
    if (usable("setFrontFacing")) {
        glFrontFace(winding == Winding::clockwise ? GL_CW : GL_CCW);
    }
}

void RenderEncoder::setViewport(const Viewport& v)
{
    if (usable("setViewport")) {
        glViewportIndexedf(0, static_cast<GLfloat>(v.originX), static_cast<GLfloat>(v.originY),
                           static_cast<GLfloat>(v.width), static_cast<GLfloat>(v.height));
        glDepthRangef(static_cast<GLfloat>(v.znear), static_cast<GLfloat>(v.zfar));
    }
}

void RenderEncoder::setScissorRect(const ScissorRect& r)
{
    if (usable("setScissorRect")) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(r.x, r.y, r.width, r.height);
    }
}

void RenderEncoder::setBlendColor(float red, float green, float blue, float alpha)
{
    if (usable("setBlendColor")) {
        glBlendColor(red, green, blue, alpha);
    }
}

void RenderEncoder::setBytes(int slot, const void* bytes, std::size_t size, std::string_view call)
{
    if (!usable(call)) {
        return;
    }
    const auto& info = state_->device->info();
    if (slot < 0 || slot >= maxSlots || slot >= info.maxUniformBindings) {
        detail::violation(std::string(call) + ": slot " + std::to_string(slot) + " is out of range");
        return;
    }
    if (size > info.maxUniformBlockSize) {
        detail::violation(std::string(call) + ": " + std::to_string(size) + " bytes exceed the uniform block limit");
        return;
    }
    auto slice = state_->device->uniformRing().push(bytes, size);
    if (!slice) {
        detail::violation(std::string(call) + ": " + slice.error().message);
        return;
    }
    glBindBufferRange(GL_UNIFORM_BUFFER, static_cast<GLuint>(slot), slice->buffer,
                      static_cast<GLintptr>(slice->offset), static_cast<GLsizeiptr>(slice->size));
    state_->bytes[slot] = slice->size;
    state_->counters->bytesUploaded += slice->size;
}

void RenderEncoder::setVertexBytes(int slot, const void* bytes, std::size_t size)
{
    setBytes(slot, bytes, size, "setVertexBytes");
}

void RenderEncoder::setFragmentBytes(int slot, const void* bytes, std::size_t size)
{
    setBytes(slot, bytes, size, "setFragmentBytes");
}

void RenderEncoder::setBuffer(int slot, const Buffer& buffer, std::size_t offset, std::string_view call)
{
    if (!usable(call)) {
        return;
    }
    const auto& info = state_->device->info();
    if (slot < 0 || slot >= maxSlots || slot >= info.maxStorageBindings) {
        detail::violation(std::string(call) + ": slot " + std::to_string(slot) + " is out of range");
        return;
    }
    if (buffer.glName() == 0 || offset >= buffer.size()) {
        detail::violation(std::string(call) + ": offset " + std::to_string(offset) + " lies outside buffer \"" +
                          buffer.label() + "\"");
        return;
    }
    if (offset % info.storageBufferOffsetAlignment != 0) {
        detail::violation(std::string(call) + ": offset " + std::to_string(offset) +
                          " is not a multiple of the storage offset alignment (" +
                          std::to_string(info.storageBufferOffsetAlignment) + ")");
        return;
    }
    glBindBufferRange(GL_SHADER_STORAGE_BUFFER, static_cast<GLuint>(slot), buffer.glName(),
                      static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(buffer.size() - offset));
    state_->buffers[slot] = true;
    ++state_->counters->bufferBinds;
}

void RenderEncoder::setVertexBuffer(int slot, const Buffer& buffer, std::size_t offset)
{
    setBuffer(slot, buffer, offset, "setVertexBuffer");
}

void RenderEncoder::setFragmentBuffer(int slot, const Buffer& buffer, std::size_t offset)
{
    setBuffer(slot, buffer, offset, "setFragmentBuffer");
}

void RenderEncoder::setTexture(int slot, const Texture& texture, const Sampler* sampler, std::string_view call)
{
    if (!usable(call)) {
        return;
    }
    auto* rt = detail::runtime();
    if (slot < 0 || slot >= maxSlots || slot >= rt->info.maxTextureUnits - 1) {
        detail::violation(std::string(call) + ": slot " + std::to_string(slot) + " is out of range");
        return;
    }
    if (texture.glName() == 0 || texture.isMemoryless() || !contains(texture.usage(), TextureUsage::shaderRead)) {
        detail::violation(std::string(call) + ": texture \"" + texture.label() +
                          "\" is not readable by shaders (memoryless or without shaderRead)");
        return;
    }
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(slot));
    glBindTexture(texture.glTarget(), texture.glName());
    glBindSampler(static_cast<GLuint>(slot), sampler ? sampler->glName() : rt->defaultSampler);
    state_->textures[slot] = true;
    ++state_->counters->textureBinds;
}

void RenderEncoder::setVertexTexture(int slot, const Texture& texture, const Sampler* sampler)
{
    setTexture(slot, texture, sampler, "setVertexTexture");
}

void RenderEncoder::setFragmentTexture(int slot, const Texture& texture, const Sampler* sampler)
{
    setTexture(slot, texture, sampler, "setFragmentTexture");
}

bool RenderEncoder::readyToDraw(std::string_view call)
{
    if (!usable(call)) {
        return false;
    }
    auto refuse = [&](const std::string& why) {
        ++state_->skipped;
        detail::violation(std::string(call) + " skipped: " + why);
        return false;
    };
    const RenderPipeline* p = state_->pipeline;
    if (p == nullptr) {
        return refuse("no pipeline set");
    }
    if (!state_->pipelineProblem.empty()) {
        return refuse(state_->pipelineProblem);
    }
    // Spelled out only for a refusal: every draw passes through here.
    auto who = [p] { return "pipeline \"" + p->label() + "\""; };
    for (const auto& block : p->interface().uniformBlocks) {
        const bool inRange = block.binding >= 0 && block.binding < maxSlots;
        if (!inRange || state_->bytes[block.binding] < block.size) {
            return refuse(who() + " reads " + std::to_string(block.size) + " bytes at slot " +
                          std::to_string(block.binding) + " but " +
                          std::to_string(inRange ? state_->bytes[block.binding] : 0) + " are bound");
        }
    }
    for (int binding : p->interface().storageBlocks) {
        if (binding < 0 || binding >= maxSlots || !state_->buffers[binding]) {
            return refuse(who() + " reads a buffer at slot " + std::to_string(binding) + " but none is bound");
        }
    }
    for (int unit : p->interface().textureUnits) {
        if (unit < 0 || unit >= maxSlots || !state_->textures[unit]) {
            return refuse(who() + " samples a texture at slot " + std::to_string(unit) + " but none is bound");
        }
    }
    return true;
}

void RenderEncoder::drawPrimitives(PrimitiveType type, int vertexStart, int vertexCount, int instanceCount)
{
    if (vertexCount <= 0 || instanceCount <= 0 || !readyToDraw("drawPrimitives")) {
        return;
    }
    if (vertexStart < 0) {
        ++state_->skipped;
        detail::violation("drawPrimitives skipped: negative vertex start");
        return;
    }
    glDrawArraysInstanced(glPrimitive(type), vertexStart, vertexCount, instanceCount);
    ++state_->draws;
    ++state_->counters->drawCalls;
    state_->counters->instances += static_cast<std::uint64_t>(instanceCount);
}

void RenderEncoder::drawIndexed(PrimitiveType type, int indexCount, const Buffer& indexBuffer,
                                std::size_t indexOffset, int instanceCount, IndexType indexType)
{
    if (indexCount <= 0 || instanceCount <= 0 || !readyToDraw("drawIndexed")) {
        return;
    }
    const std::size_t indexSize = indexType == IndexType::uint32 ? 4 : 2;
    const std::size_t end = indexOffset + static_cast<std::size_t>(indexCount) * indexSize;
    if (indexBuffer.glName() == 0 || indexOffset % indexSize != 0 || end > indexBuffer.size()) {
        ++state_->skipped;
        detail::violation("drawIndexed skipped: " + std::to_string(indexCount) + " indices at offset " +
                          std::to_string(indexOffset) + " do not fit index buffer \"" + indexBuffer.label() + "\"");
        return;
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer.glName());
    glDrawElementsInstanced(glPrimitive(type), indexCount,
                            indexType == IndexType::uint32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                            reinterpret_cast<const void*>(indexOffset), instanceCount);
    ++state_->draws;
    ++state_->counters->drawCalls;
    state_->counters->instances += static_cast<std::uint64_t>(instanceCount);
}

void RenderEncoder::endEncoding()
{
    if (!usable("endEncoding")) {
        return;
    }
    State& s = *state_;
    const auto& pass = s.pass;
    // Blits honour the scissor; resolves cover the whole attachment.
    glDisable(GL_SCISSOR_TEST);
    DiscardList discard{};
    std::size_t discarding = 0;
    for (int i = 0; i < maxColorAttachments; ++i) {
        const auto& a = pass.colorAttachments[i];
        if (a.texture == nullptr) {
            continue;
        }
        if (a.resolveTexture != nullptr) {
            resolveInto(s.framebuffer, GL_COLOR_ATTACHMENT0 + i, *a.resolveTexture, GL_COLOR_BUFFER_BIT,
                        s.shape.width, s.shape.height);
        }
        if (dropsContents(a.storeAction)) {
            discard[discarding++] = GL_COLOR_ATTACHMENT0 + i;
        }
    }
    if (const auto& d = pass.depthAttachment; d.texture != nullptr) {
        if (d.resolveTexture != nullptr) {
            resolveInto(s.framebuffer, GL_NONE, *d.resolveTexture, GL_DEPTH_BUFFER_BIT, s.shape.width,
                        s.shape.height);
        }
        if (dropsContents(d.storeAction)) {
            discard[discarding++] = GL_DEPTH_ATTACHMENT;
        }
    }
    glBindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
    glReadBuffer(pass.colorAttachments[0].texture ? GL_COLOR_ATTACHMENT0 : GL_NONE);
    if (discarding > 0) {
        glInvalidateFramebuffer(GL_FRAMEBUFFER, static_cast<GLsizei>(discarding), discard.data());
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glPopDebugGroup();
    s.open = false;
    s.pipeline = nullptr;
    detail::runtime()->encoderOpen = false;
}

}  // namespace lumen::gpu
