#include "gpu/BlitEncoder.hpp"

#include "gpu/Buffer.hpp"
#include "gpu/gl/Runtime.hpp"
#include "gpu/Texture.hpp"

#include <epoxy/gl.h>

#include <string>
#include <utility>

namespace lumen::gpu {

Result<BlitEncoder> BlitEncoder::begin(Device&, std::string_view label)
{
    BlitEncoder encoder;
    encoder.open_ = true;
    detail::runtime()->encoderOpen = true;
    const std::string group = label.empty() ? std::string("blit") : std::string(label);
    glPushDebugGroup(GL_DEBUG_SOURCE_APPLICATION, 0, static_cast<GLsizei>(group.size()), group.c_str());
    return encoder;
}

BlitEncoder::BlitEncoder(BlitEncoder&& other) noexcept : open_(std::exchange(other.open_, false)) {}

BlitEncoder& BlitEncoder::operator=(BlitEncoder&& other) noexcept
{
    if (this != &other) {
        if (isEncoding()) {
            endEncoding();
        }
        open_ = std::exchange(other.open_, false);
    }
    return *this;
}

BlitEncoder::~BlitEncoder()
{
    if (isEncoding()) {
        detail::violation("blit encoder destroyed without endEncoding()");
        endEncoding();
    }
}

bool BlitEncoder::isEncoding() const { return open_ && detail::runtime(); }

bool BlitEncoder::usable(std::string_view call) const
{
    if (isEncoding()) {
        return true;
    }
    detail::violation(std::string(call) + " on a blit encoder that is not encoding");
    return false;
}

void BlitEncoder::generateMipmaps(const Texture& texture)
{
    if (!usable("generateMipmaps")) {
        return;
    }
    if (texture.glName() == 0 || texture.isMemoryless() || texture.type() == TextureType::type2DMultisample) {
        detail::violation("generateMipmaps: texture \"" + texture.label() + "\" has no mipmaps to fill");
        return;
    }
    if (texture.mipmapLevelCount() < 2) {
        return;
    }
    glActiveTexture(GL_TEXTURE0 + detail::runtime()->scratchTextureUnit);
    glBindTexture(texture.glTarget(), texture.glName());
    glGenerateMipmap(texture.glTarget());
    glBindTexture(texture.glTarget(), 0);
}

void BlitEncoder::copyTexture(const Texture& source, const Texture& destination, int level)
{
    if (!usable("copyTexture")) {
        return;
    }
    const bool fits = source.glName() != 0 && destination.glName() != 0 && !source.isMemoryless() &&
                      !destination.isMemoryless() && source.format() == destination.format() &&
                      source.type() == destination.type() && source.sampleCount() == destination.sampleCount() &&
                      level >= 0 && level < source.mipmapLevelCount() && level < destination.mipmapLevelCount() &&
                      source.levelWidth(level) == destination.levelWidth(level) &&
                      source.levelHeight(level) == destination.levelHeight(level) &&
                      source.levelDepth(level) == destination.levelDepth(level);
    if (!fits) {
        detail::violation("copyTexture: \"" + source.label() + "\" and \"" + destination.label() +
                          "\" differ in format, type or size");
        return;
    }
    glCopyImageSubData(source.glName(), source.glTarget(), level, 0, 0, 0, destination.glName(),
                       destination.glTarget(), level, 0, 0, 0, source.levelWidth(level), source.levelHeight(level),
                       source.levelDepth(level));
}

void BlitEncoder::copyBuffer(const Buffer& source, std::size_t sourceOffset, const Buffer& destination,
                             std::size_t destinationOffset, std::size_t size)
{
    if (!usable("copyBuffer")) {
        return;
    }
    if (source.glName() == 0 || destination.glName() == 0 || sourceOffset > source.size() ||
        size > source.size() - sourceOffset || destinationOffset > destination.size() ||
        size > destination.size() - destinationOffset) {
        detail::violation("copyBuffer: range lies outside \"" + source.label() + "\" or \"" +
                          destination.label() + "\"");
        return;
    }
    if (size == 0) {
        return;
    }
    glBindBuffer(GL_COPY_READ_BUFFER, source.glName());
    glBindBuffer(GL_COPY_WRITE_BUFFER, destination.glName());
    glCopyBufferSubData(GL_COPY_READ_BUFFER, GL_COPY_WRITE_BUFFER, static_cast<GLintptr>(sourceOffset),
                        static_cast<GLintptr>(destinationOffset), static_cast<GLsizeiptr>(size));
    glBindBuffer(GL_COPY_READ_BUFFER, 0);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
}

void BlitEncoder::endEncoding()
{
    if (!usable("endEncoding")) {
        return;
    }
    glPopDebugGroup();
    open_ = false;
    detail::runtime()->encoderOpen = false;
}

}  // namespace lumen::gpu
