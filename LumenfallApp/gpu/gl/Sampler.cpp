#include "gpu/Sampler.hpp"

#include "gpu/gl/Runtime.hpp"

#include <epoxy/gl.h>

#include <utility>

namespace lumen::gpu {

namespace {

GLenum wrap(SamplerAddressMode mode)
{
    switch (mode) {
    case SamplerAddressMode::clampToEdge: return GL_CLAMP_TO_EDGE;
    case SamplerAddressMode::repeat: return GL_REPEAT;
    case SamplerAddressMode::mirrorRepeat: return GL_MIRRORED_REPEAT;
    case SamplerAddressMode::clampToZero: return GL_CLAMP_TO_BORDER;
    }
    return GL_CLAMP_TO_EDGE;
}

GLenum minification(SamplerFilter filter, SamplerMipFilter mip)
{
    const bool linear = filter == SamplerFilter::linear;
    switch (mip) {
    case SamplerMipFilter::notMipmapped: return linear ? GL_LINEAR : GL_NEAREST;
    case SamplerMipFilter::nearest: return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    case SamplerMipFilter::linear: return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    }
    return GL_NEAREST;
}

}  // namespace

Result<Sampler> Sampler::create(Device&, const SamplerDescriptor& d)
{
    if (d.lodMinClamp < 0.0f || (d.lodMaxClamp != 0.0f && d.lodMaxClamp < d.lodMinClamp)) {
        return makeError(ErrorKind::invalidDescriptor, "sampler: LOD clamps are out of order");
    }
    GLuint name = 0;
    glGenSamplers(1, &name);
    glSamplerParameteri(name, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minification(d.minFilter, d.mipFilter)));
    glSamplerParameteri(name, GL_TEXTURE_MAG_FILTER, d.magFilter == SamplerFilter::linear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(name, GL_TEXTURE_WRAP_S, static_cast<GLint>(wrap(d.sAddressMode)));
    glSamplerParameteri(name, GL_TEXTURE_WRAP_T, static_cast<GLint>(wrap(d.tAddressMode)));
    glSamplerParameteri(name, GL_TEXTURE_WRAP_R, static_cast<GLint>(wrap(d.rAddressMode)));
    const float transparentBlack[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glSamplerParameterfv(name, GL_TEXTURE_BORDER_COLOR, transparentBlack);
    glSamplerParameterf(name, GL_TEXTURE_MIN_LOD, d.lodMinClamp);
    glSamplerParameterf(name, GL_TEXTURE_MAX_LOD, d.lodMaxClamp == 0.0f ? 1000.0f : d.lodMaxClamp);
    detail::labelObject(GL_SAMPLER, name, d.label);
    return Sampler(name);
}

Sampler::Sampler(Sampler&& other) noexcept : name_(std::exchange(other.name_, 0)) {}

Sampler& Sampler::operator=(Sampler&& other) noexcept
{
    if (this != &other) {
        release();
        name_ = std::exchange(other.name_, 0);
    }
    return *this;
}

Sampler::~Sampler() { release(); }

void Sampler::release()
{
    if (name_ != 0 && detail::runtime()) {
        glDeleteSamplers(1, &name_);
    }
    name_ = 0;
}

}  // namespace lumen::gpu
