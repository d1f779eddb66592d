#include "gpu/Readback.hpp"

#include "gpu/Device.hpp"
#include "gpu/gl/FramebufferCache.hpp"
#include "gpu/gl/Runtime.hpp"
#include "gpu/Texture.hpp"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace lumen::gpu {

std::array<std::uint8_t, 4> ImageRGBA8::pixel(int x, int y) const
{
    const auto at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
    return {pixels[at], pixels[at + 1], pixels[at + 2], pixels[at + 3]};
}

Result<ImageRGBA8> readImageRGBA8(Device& device, const Texture& texture, int level)
{
    if (texture.glName() == 0 || texture.isMemoryless() || isDepthFormat(texture.format()) ||
        texture.type() == TextureType::type3D) {
        return makeError(ErrorKind::invalidDescriptor,
                         "texture \"" + texture.label() + "\": only 2D colour textures with storage read back as images");
    }
    if (level < 0 || level >= texture.mipmapLevelCount()) {
        return makeError(ErrorKind::invalidDescriptor, "texture \"" + texture.label() + "\" has no such level");
    }

    // Samples cannot be fetched directly; resolve into a one-sample copy.
    std::optional<Texture> resolved;
    const Texture* source = &texture;
    if (texture.sampleCount() > 1) {
        auto copy = device.makeTexture({.format = texture.format(),
                                        .width = texture.width(),
                                        .height = texture.height(),
                                        .usage = TextureUsage::renderTarget | TextureUsage::shaderRead,
                                        .label = "readback resolve"});
        if (!copy) {
            return copy.error();
        }
        resolved.emplace(std::move(*copy));
        detail::FramebufferAttachments from, to;
        from.color[0] = &texture;
        to.color[0] = &*resolved;
        std::string why;
        auto& cache = *detail::runtime()->framebuffers;
        const unsigned read = cache.framebuffer(from, why);
        const unsigned draw = read ? cache.framebuffer(to, why) : 0;
        if (draw == 0) {
            return makeError(ErrorKind::unsupported, "cannot resolve \"" + texture.label() + "\": " + why);
        }
        glDisable(GL_SCISSOR_TEST);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, read);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, draw);
        glBlitFramebuffer(0, 0, texture.width(), texture.height(), 0, 0, texture.width(), texture.height(),
                          GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        source = &*resolved;
        level = 0;
    }

    ImageRGBA8 image;
    image.width = source->levelWidth(level);
    image.height = source->levelHeight(level);
    const std::size_t row = static_cast<std::size_t>(image.width) * 4;
    std::vector<std::uint8_t> bottomUp(row * static_cast<std::size_t>(image.height));
    glMemoryBarrier(GL_TEXTURE_UPDATE_BARRIER_BIT);
    glActiveTexture(GL_TEXTURE0 + detail::runtime()->scratchTextureUnit);
    glBindTexture(source->glTarget(), source->glName());
    glGetTexImage(source->glTarget(), level, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    glBindTexture(source->glTarget(), 0);

    image.pixels.resize(bottomUp.size());
    for (int y = 0; y < image.height; ++y) {
        std::memcpy(image.pixels.data() + static_cast<std::size_t>(y) * row,
                    bottomUp.data() + static_cast<std::size_t>(image.height - 1 - y) * row, row);
    }
    return image;
}

}  // namespace lumen::gpu
