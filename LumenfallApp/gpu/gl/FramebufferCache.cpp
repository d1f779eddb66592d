#include "gpu/gl/FramebufferCache.hpp"

#include "gpu/gl/Runtime.hpp"
#include "gpu/Texture.hpp"

#include <epoxy/gl.h>

namespace lumen::gpu::detail {

namespace {

void attach(GLenum point, const Texture& texture, int level, int slice)
{
    if (texture.isMemoryless()) {
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, point, GL_RENDERBUFFER, texture.glName());
    } else if (texture.type() == TextureType::type3D) {
        glFramebufferTextureLayer(GL_FRAMEBUFFER, point, texture.glName(), level, slice);
    } else {
        glFramebufferTexture(GL_FRAMEBUFFER, point, texture.glName(), level);
    }
}

const char* statusName(GLenum status)
{
    switch (status) {
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT: return "incomplete attachment";
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT: return "no attachments";
    case GL_FRAMEBUFFER_UNSUPPORTED: return "unsupported combination of formats";
    case GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE: return "attachments differ in sample count";
    case GL_FRAMEBUFFER_INCOMPLETE_LAYER_TARGETS: return "layered and plain attachments mixed";
    default: return "incomplete";
    }
}

}  // namespace

FramebufferCache::~FramebufferCache()
{
    if (runtime()) {
        for (auto& [key, name] : entries_) {
            glDeleteFramebuffers(1, &name);
        }
    }
}

unsigned FramebufferCache::framebuffer(const FramebufferAttachments& a, std::string& why)
{
    Key key{};
    for (int i = 0; i < FramebufferAttachments::maxColor; ++i) {
        key[3 * i] = a.color[i] ? a.color[i]->serial() : 0;
        key[3 * i + 1] = static_cast<std::uint64_t>(a.colorLevel[i]);
        key[3 * i + 2] = static_cast<std::uint64_t>(a.colorSlice[i]);
    }
    key.back() = a.depth ? a.depth->serial() : 0;
    if (auto found = entries_.find(key); found != entries_.end()) {
        return found->second;
    }

    GLuint name = 0;
    glGenFramebuffers(1, &name);
    glBindFramebuffer(GL_FRAMEBUFFER, name);
    GLenum drawBuffers[FramebufferAttachments::maxColor];
    for (int i = 0; i < FramebufferAttachments::maxColor; ++i) {
        drawBuffers[i] = GL_NONE;
        if (a.color[i]) {
            attach(GL_COLOR_ATTACHMENT0 + i, *a.color[i], a.colorLevel[i], a.colorSlice[i]);
            drawBuffers[i] = GL_COLOR_ATTACHMENT0 + i;
        }
    }
    if (a.depth) {
        attach(GL_DEPTH_ATTACHMENT, *a.depth, 0, 0);
    }
    // Draw-buffer mapping is framebuffer state: set once here, never per pass.
    glDrawBuffers(FramebufferAttachments::maxColor, drawBuffers);
    glReadBuffer(a.color[0] ? GL_COLOR_ATTACHMENT0 : GL_NONE);
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        glDeleteFramebuffers(1, &name);
        why = statusName(status);
        return 0;
    }
    entries_.emplace(key, name);
    return name;
}

void FramebufferCache::forget(std::uint64_t textureSerial)
{
    for (auto it = entries_.begin(); it != entries_.end();) {
        bool uses = false;
        for (int i = 0; i < FramebufferAttachments::maxColor; ++i) {
            uses = uses || it->first[3 * i] == textureSerial;
        }
        uses = uses || it->first.back() == textureSerial;
        if (uses) {
            glDeleteFramebuffers(1, &it->second);
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace lumen::gpu::detail
