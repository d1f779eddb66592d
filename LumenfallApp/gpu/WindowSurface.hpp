#pragma once

#include <utility>

namespace lumen::gpu {

class Device;
class Texture;

// An EGL window surface sharing the device's one context. Drawing to it means making it current
// (framebuffer 0 is then the window's back buffer), drawing, swapping, and making the device
// current again. Swaps do not wait for vertical blank (interval 0): frames are paced elsewhere.
class WindowSurface {
public:
    WindowSurface(WindowSurface&& other) noexcept;
    WindowSurface& operator=(WindowSurface&& other) noexcept;
    WindowSurface(const WindowSurface&) = delete;
    WindowSurface& operator=(const WindowSurface&) = delete;
    ~WindowSurface();

    // Also points drawing at the back buffer: the context was first made current without a
    // surface, which leaves a window's default framebuffer drawing to its front buffer.
    bool makeCurrent();
    bool swap();
    // Shows a drawable: makes the surface current, copies the texture's bytes as they are (no sRGB
    // re-encoding) stretched to the whole window with linear filtering, and swaps. The surface
    // stays current; the caller makes the device current again.
    bool present(const Texture& drawable);
    // The surface's size in pixels as EGL reports it now; (0, 0) when unknown.
    std::pair<int, int> size() const;

private:
    friend class Device;
    WindowSurface(void* display, void* context, void* surface)
        : display_(display), context_(context), surface_(surface)
    {
    }
    void release();

    void* display_ = nullptr;
    void* context_ = nullptr;
    void* surface_ = nullptr;
    unsigned readFramebuffer_ = 0;  // reads the drawable for present()
};

}  // namespace lumen::gpu
