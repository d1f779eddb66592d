#pragma once

#include "render/SurfaceWindow.hpp"

#include "gpu/Texture.hpp"

#include <functional>

namespace lumen::app::test {

// A window that is wherever the test puts it and counts what it is shown.
class FakeSurfaceWindow : public SurfaceWindow {
public:
    explicit FakeSurfaceWindow(ScreenRect rect, double scale = 1.0) : rect_(rect), scale_(scale) {}

    ScreenRect frame() const override { return rect_; }
    double backingScale() const override { return scale_; }
    bool onScreen() const override { return onScreen_; }
    double refreshRate() const override { return 60; }
    void present(const gpu::Texture& drawable) override {
        ++presents;
        lastWidth = drawable.width();
        lastHeight = drawable.height();
        if (onPresent) onPresent();
    }

    void setFrame(ScreenRect rect) { rect_ = rect; }
    void setScale(double scale) { scale_ = scale; }
    void setOnScreen(bool onScreen) { onScreen_ = onScreen; }

    int presents = 0, lastWidth = 0, lastHeight = 0;
    // Runs in present, as a swap that blocks would (tests move their clock here).
    std::function<void()> onPresent;

private:
    ScreenRect rect_;
    double scale_;
    bool onScreen_ = true;
};

}  // namespace lumen::app::test
