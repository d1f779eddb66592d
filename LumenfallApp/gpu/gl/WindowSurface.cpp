#include "gpu/WindowSurface.hpp"

#include "gpu/Texture.hpp"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

namespace lumen::gpu {

WindowSurface::WindowSurface(WindowSurface&& other) noexcept
    : display_(std::exchange(other.display_, nullptr)), context_(std::exchange(other.context_, nullptr)),
      surface_(std::exchange(other.surface_, nullptr)), readFramebuffer_(std::exchange(other.readFramebuffer_, 0u))
{
}

WindowSurface& WindowSurface::operator=(WindowSurface&& other) noexcept
{
    if (this != &other) {
        release();
        display_ = std::exchange(other.display_, nullptr);
        context_ = std::exchange(other.context_, nullptr);
        surface_ = std::exchange(other.surface_, nullptr);
        readFramebuffer_ = std::exchange(other.readFramebuffer_, 0u);
    }
    return *this;
}

WindowSurface::~WindowSurface() { release(); }

void WindowSurface::release()
{
    if (surface_ == nullptr) {
        return;
    }
    // A surface that is current would stay alive until unbound; fall back to surfaceless first.
    if (eglGetCurrentSurface(EGL_DRAW) == surface_) {
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_);
    }
    if (readFramebuffer_ != 0 && eglGetCurrentContext() == context_) {
        glDeleteFramebuffers(1, &readFramebuffer_);
        readFramebuffer_ = 0;
    }
    eglDestroySurface(display_, surface_);
    surface_ = nullptr;
}

bool WindowSurface::makeCurrent()
{
    if (surface_ == nullptr || eglMakeCurrent(display_, surface_, surface_, context_) != EGL_TRUE) {
        return false;
    }
    GLint previousDraw = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &previousDraw);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(previousDraw));
    return true;
}

bool WindowSurface::present(const Texture& drawable)
{
    if (!makeCurrent()) {
        return false;
    }
    GLint previousRead = 0, previousDraw = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previousRead);
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &previousDraw);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    // The drawable already holds the bytes to show; encoding on the way would brighten them twice.
    const GLboolean srgb = glIsEnabled(GL_FRAMEBUFFER_SRGB);
    if (readFramebuffer_ == 0) {
        glGenFramebuffers(1, &readFramebuffer_);
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFramebuffer_);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, drawable.glTarget(), drawable.glName(), 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_FRAMEBUFFER_SRGB);
    const auto [width, height] = size();
    const bool same = width == drawable.width() && height == drawable.height();
    glBlitFramebuffer(0, 0, drawable.width(), drawable.height(), 0, 0, width, height, GL_COLOR_BUFFER_BIT,
                      same ? GL_NEAREST : GL_LINEAR);
    if (scissor) {
        glEnable(GL_SCISSOR_TEST);
    }
    if (srgb) {
        glEnable(GL_FRAMEBUFFER_SRGB);
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previousRead));
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(previousDraw));
    return swap();
}

bool WindowSurface::swap() { return surface_ != nullptr && eglSwapBuffers(display_, surface_) == EGL_TRUE; }

std::pair<int, int> WindowSurface::size() const
{
    EGLint width = 0, height = 0;
    if (surface_ == nullptr || !eglQuerySurface(display_, surface_, EGL_WIDTH, &width) ||
        !eglQuerySurface(display_, surface_, EGL_HEIGHT, &height)) {
        return {0, 0};
    }
    return {width, height};
}

}  // namespace lumen::gpu
