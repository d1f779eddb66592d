#include "gpu/WindowSurface.hpp"

#include <epoxy/egl.h>

namespace lumen::gpu {

WindowSurface::WindowSurface(WindowSurface&& other) noexcept
    : display_(std::exchange(other.display_, nullptr)), context_(std::exchange(other.context_, nullptr)),
      surface_(std::exchange(other.surface_, nullptr))
{
}

WindowSurface& WindowSurface::operator=(WindowSurface&& other) noexcept
{
    if (this != &other) {
        release();
        display_ = std::exchange(other.display_, nullptr);
        context_ = std::exchange(other.context_, nullptr);
        surface_ = std::exchange(other.surface_, nullptr);
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
    eglDestroySurface(display_, surface_);
    surface_ = nullptr;
}

bool WindowSurface::makeCurrent()
{
    return surface_ != nullptr && eglMakeCurrent(display_, surface_, surface_, context_) == EGL_TRUE;
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
