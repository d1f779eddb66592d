#pragma once

#include <utility>

namespace lumen::gpu {

class Device;

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

    bool makeCurrent();
    bool swap();
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
};

}  // namespace lumen::gpu
