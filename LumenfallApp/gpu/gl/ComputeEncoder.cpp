#include "gpu/ComputeEncoder.hpp"

#include "gpu/Buffer.hpp"
#include "gpu/ComputePipeline.hpp"
#include "gpu/Device.hpp"
#include "gpu/gl/Runtime.hpp"
#include "gpu/Sampler.hpp"
#include "gpu/gl/StatePool.hpp"
#include "gpu/Texture.hpp"
#include "gpu/gl/UniformRing.hpp"
#include "gpu/WorkCounters.hpp"

#include <epoxy/gl.h>

#include <cstdint>
#include <string>

namespace lumen::gpu {

struct ComputeEncoder::State {
    Device* device = nullptr;
    WorkCounters* counters = nullptr;  // the command buffer's
    std::string label;
    bool open = true;
    const ComputePipeline* pipeline = nullptr;
    std::array<std::size_t, maxSlots> bytes{};
    std::array<bool, maxSlots> buffers{};
    std::array<bool, maxSlots> images{};
    std::array<bool, maxSlots> textures{};
    int dispatches = 0;
    int skipped = 0;

    // Every field anew, the label keeping its storage (a recycled state, see StatePool).
    void restart()
    {
        std::string keptLabel = std::move(label);
        *this = State{};
        label = std::move(keptLabel);
        label.clear();
    }
};

namespace {

std::string sizeText(Size3 s)
{
    return std::to_string(s.width) + "x" + std::to_string(s.height) + "x" + std::to_string(s.depth);
}

}  // namespace

detail::StatePool<ComputeEncoder::State>& ComputeEncoder::states()
{
    static detail::StatePool<State> pool;
    return pool;
}

Result<ComputeEncoder> ComputeEncoder::begin(Device& device, WorkCounters& counters, std::string_view label)
{
    auto state = states().take();
    state->restart();
    state->device = &device;
    state->counters = &counters;
    state->label.assign(label);
    detail::runtime()->encoderOpen = true;
    const std::string_view group = label.empty() ? std::string_view("compute") : label;
    glPushDebugGroup(GL_DEBUG_SOURCE_APPLICATION, 0, static_cast<GLsizei>(group.size()), group.data());
    return ComputeEncoder(std::move(state));
}

ComputeEncoder::ComputeEncoder(std::unique_ptr<State> state) : state_(std::move(state)) {}
ComputeEncoder::ComputeEncoder(ComputeEncoder&&) noexcept = default;

ComputeEncoder& ComputeEncoder::operator=(ComputeEncoder&& other) noexcept
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

ComputeEncoder::~ComputeEncoder()
{
    if (isEncoding()) {
        detail::violation("compute encoder \"" + state_->label + "\" destroyed without endEncoding()");
        endEncoding();
    }
    states().give(std::move(state_));
}

bool ComputeEncoder::isEncoding() const { return state_ && state_->open && detail::runtime(); }
int ComputeEncoder::dispatchCount() const { return state_ ? state_->dispatches : 0; }
int ComputeEncoder::skippedDispatchCount() const { return state_ ? state_->skipped : 0; }

bool ComputeEncoder::usable(std::string_view call) const
{
    if (isEncoding()) {
        return true;
    }
    detail::violation(std::string(call) + " on a compute encoder that is not encoding");
    return false;
}

void ComputeEncoder::setPipeline(const ComputePipeline& pipeline)
{
    if (usable("setPipeline")) {
        state_->pipeline = &pipeline;
        glUseProgram(pipeline.glProgram());
        ++state_->counters->pipelineBinds;
    }
}

void ComputeEncoder::setBytes(int slot, const void* bytes, std::size_t size)
{
    if (!usable("setBytes")) {
        return;
    }
    const auto& info = state_->device->info();
    if (slot < 0 || slot >= maxSlots || slot >= info.maxUniformBindings || size > info.maxUniformBlockSize) {
        detail::violation("setBytes: slot " + std::to_string(slot) + " or size " + std::to_string(size) +
                          " is out of range");
        return;
    }
    auto slice = state_->device->uniformRing().push(bytes, size);
    if (!slice) {
        detail::violation("setBytes: " + slice.error().message);
        return;
    }
    glBindBufferRange(GL_UNIFORM_BUFFER, static_cast<GLuint>(slot), slice->buffer,
                      static_cast<GLintptr>(slice->offset), static_cast<GLsizeiptr>(slice->size));
    state_->bytes[slot] = slice->size;
    state_->counters->bytesUploaded += slice->size;
}

void ComputeEncoder::setBuffer(int slot, const Buffer& buffer, std::size_t offset)
{
    if (!usable("setBuffer")) {
        return;
    }
    const auto& info = state_->device->info();
    if (slot < 0 || slot >= maxSlots || slot >= info.maxStorageBindings || buffer.glName() == 0 ||
        offset >= buffer.size() || offset % info.storageBufferOffsetAlignment != 0) {
        detail::violation("setBuffer: slot " + std::to_string(slot) + " with offset " + std::to_string(offset) +
                          " into buffer \"" + buffer.label() + "\" is out of range or misaligned");
        return;
    }
    glBindBufferRange(GL_SHADER_STORAGE_BUFFER, static_cast<GLuint>(slot), buffer.glName(),
                      static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(buffer.size() - offset));
    state_->buffers[slot] = true;
    ++state_->counters->bufferBinds;
}

void ComputeEncoder::setTexture(int slot, const Texture& texture, ImageAccess access, int level)
{
    if (!usable("setTexture")) {
        return;
    }
    const auto& info = state_->device->info();
    const auto& format = formatInfo(texture.format());
    const bool writes = access != ImageAccess::readOnly;
    if (slot < 0 || slot >= maxSlots || slot >= info.maxImageUnits || texture.glName() == 0 ||
        texture.isMemoryless() || !format.imageStore || level < 0 || level >= texture.mipmapLevelCount()) {
        detail::violation("setTexture: texture \"" + texture.label() + "\" cannot be an image at slot " +
                          std::to_string(slot));
        return;
    }
    if ((writes && !contains(texture.usage(), TextureUsage::shaderWrite)) ||
        (!writes && !contains(texture.usage(), TextureUsage::shaderRead) &&
         !contains(texture.usage(), TextureUsage::shaderWrite))) {
        detail::violation("setTexture: texture \"" + texture.label() + "\" lacks the usage for this access");
        return;
    }
    const GLenum glAccess = access == ImageAccess::readOnly    ? GL_READ_ONLY
                            : access == ImageAccess::writeOnly ? GL_WRITE_ONLY
                                                               : GL_READ_WRITE;
    const GLboolean layered = texture.type() == TextureType::type3D ? GL_TRUE : GL_FALSE;
    glBindImageTexture(static_cast<GLuint>(slot), texture.glName(), level, layered, 0, glAccess,
                       format.internalFormat);
    state_->images[slot] = true;
    ++state_->counters->textureBinds;
}

void ComputeEncoder::setSampledTexture(int slot, const Texture& texture, const Sampler* sampler)
{
    if (!usable("setSampledTexture")) {
        return;
    }
    auto* rt = detail::runtime();
    if (slot < 0 || slot >= maxSlots || texture.glName() == 0 || texture.isMemoryless() ||
        !contains(texture.usage(), TextureUsage::shaderRead)) {
        detail::violation("setSampledTexture: texture \"" + texture.label() + "\" cannot be sampled at slot " +
                          std::to_string(slot));
        return;
    }
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(slot));
    glBindTexture(texture.glTarget(), texture.glName());
    glBindSampler(static_cast<GLuint>(slot), sampler ? sampler->glName() : rt->defaultSampler);
    state_->textures[slot] = true;
    ++state_->counters->textureBinds;
}

void ComputeEncoder::dispatchThreadgroups(Size3 groups, Size3 threads)
{
    if (!usable("dispatchThreadgroups")) {
        return;
    }
    State& s = *state_;
    auto refuse = [&](const std::string& why) {
        ++s.skipped;
        detail::violation("dispatchThreadgroups skipped: " + why);
    };
    if (s.pipeline == nullptr) {
        return refuse("no pipeline set");
    }
    const auto& local = s.pipeline->threadsPerThreadgroup();
    const Size3 shaderSize{local[0], local[1], local[2]};
    const bool useShaders = threads.width == 0 && threads.height == 0 && threads.depth == 0;
    if (!useShaders &&
        (threads.width != local[0] || threads.height != local[1] || threads.depth != local[2])) {
        return refuse("threads per threadgroup " + sizeText(threads) + " differ from the shader's local_size " +
                      sizeText(shaderSize));
    }
    if (groups.width <= 0 || groups.height <= 0 || groups.depth <= 0) {
        return;  // nothing to run
    }
    const auto& limit = s.device->info().maxComputeGroupCount;
    if (groups.width > limit[0] || groups.height > limit[1] || groups.depth > limit[2]) {
        return refuse("threadgroup count " + sizeText(groups) + " exceeds the device's limit");
    }
    // Spelled out only for a refusal: every dispatch passes through here.
    auto who = [&s] { return "compute pipeline \"" + s.pipeline->label() + "\""; };
    const auto& use = s.pipeline->interface();
    for (const auto& block : use.uniformBlocks) {
        if (block.binding < 0 || block.binding >= maxSlots || s.bytes[block.binding] < block.size) {
            return refuse(who() + " reads " + std::to_string(block.size) + " bytes at slot " +
                          std::to_string(block.binding) + " that are not bound");
        }
    }
    for (int binding : use.storageBlocks) {
        if (binding < 0 || binding >= maxSlots || !s.buffers[binding]) {
            return refuse(who() + " uses a buffer at slot " + std::to_string(binding) + " but none is bound");
        }
    }
    for (int unit : use.imageUnits) {
        if (unit < 0 || unit >= maxSlots || !s.images[unit]) {
            return refuse(who() + " uses an image at slot " + std::to_string(unit) + " but none is bound");
        }
    }
    for (int unit : use.textureUnits) {
        if (unit < 0 || unit >= maxSlots || !s.textures[unit]) {
            return refuse(who() + " samples a texture at slot " + std::to_string(unit) + " but none is bound");
        }
    }
    glDispatchCompute(static_cast<GLuint>(groups.width), static_cast<GLuint>(groups.height),
                      static_cast<GLuint>(groups.depth));
    // GL leaves incoherent writes unordered; one full barrier gives serial dispatch semantics.
    glMemoryBarrier(GL_ALL_BARRIER_BITS);
    ++s.dispatches;
    ++s.counters->dispatches;
    s.counters->threadgroups += static_cast<std::uint64_t>(groups.width) * static_cast<std::uint64_t>(groups.height) *
                                static_cast<std::uint64_t>(groups.depth);
}

void ComputeEncoder::memoryBarrier(BarrierScope scope)
{
    if (!usable("memoryBarrier")) {
        return;
    }
    GLbitfield bits = 0;
    if ((static_cast<unsigned>(scope) & static_cast<unsigned>(BarrierScope::buffers)) != 0) {
        bits |= GL_SHADER_STORAGE_BARRIER_BIT | GL_UNIFORM_BARRIER_BIT | GL_ELEMENT_ARRAY_BARRIER_BIT |
                GL_BUFFER_UPDATE_BARRIER_BIT | GL_COMMAND_BARRIER_BIT;
    }
    if ((static_cast<unsigned>(scope) & static_cast<unsigned>(BarrierScope::textures)) != 0) {
        bits |= GL_SHADER_IMAGE_ACCESS_BARRIER_BIT | GL_TEXTURE_FETCH_BARRIER_BIT |
                GL_TEXTURE_UPDATE_BARRIER_BIT | GL_FRAMEBUFFER_BARRIER_BIT;
    }
    glMemoryBarrier(bits);
}

void ComputeEncoder::endEncoding()
{
    if (!usable("endEncoding")) {
        return;
    }
    glPopDebugGroup();
    state_->open = false;
    state_->pipeline = nullptr;
    detail::runtime()->encoderOpen = false;
}

}  // namespace lumen::gpu
