#pragma once

#include "render/FrameStats.hpp"
#include "scenekit/SceneFrame.hpp"
#include "render/SurfaceWindow.hpp"

#include "LumenKit/policy/AutoQuality.hpp"
#include "LumenKit/policy/FramePacer.hpp"
#include "LumenKit/policy/RenderDecision.hpp"
#include "LumenKit/core/Vector.hpp"

#include "gpu/Gpu.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace lumen::app {

class FrameDriver;

// One display's drawing surface: its render decision and pacer, its scale, its multisample and
// depth targets with a cached render pass, its pointer and parallax state, its cross-fade
// snapshot and its frame counters. The desktop backends attach it to a SurfaceWindow; without a
// window it keeps a state of its own (tests, tools).
class SceneSurfaceView {
public:
    static constexpr int maximumDrawableCount = 3;

    SceneSurfaceView();
    virtual ~SceneSurfaceView();
    SceneSurfaceView(const SceneSurfaceView&) = delete;
    SceneSurfaceView& operator=(const SceneSurfaceView&) = delete;

    ViewID id() const { return this; }

    // Whether the surface sits in a window on screen, and its drawable size in pixels.
    virtual bool inWindow() const;
    virtual int drawableWidth() const { return drawableWidth_; }
    virtual int drawableHeight() const { return drawableHeight_; }
    // Without a window: sets the state the window would give (tests, tools).
    void setDetachedState(bool inWindow, int drawableWidth, int drawableHeight);

    // Moving to a window (or out of one, with null): recomputes the drawable size, asks for a
    // still when there is no frame yet, and lets the driver re-evaluate its link.
    void setWindow(SurfaceWindow* window);
    // The window came on screen or left it.
    void screenStateChanged();
    SurfaceWindow* window() const { return window_; }
    // The window's frame or backing scale changed.
    void windowGeometryChanged() { updateDrawableSize(); }
    // The view's size in points without a window.
    void setDetachedBounds(double width, double height);
    // Backing scale used for surfaces without a window; none when there is no screen (2.0 then).
    static void setMainScreenScale(std::optional<double> scale);

    // Stores a new decision: restarts the pacer when animation resumes, follows the scale, asks
    // for a still when paused without a frame, and reports and re-links on a real change.
    void apply(const RenderDecision& newDecision);
    // Drawable size = bounds x backing scale x scale, rounded, at least 1 x 1. A real change
    // clears hasFrame (and asks for a still while paused).
    void updateDrawableSize();
    // Pixels of the display at full resolution: truncated bounds x backing scale on each axis.
    std::int64_t nativePixelCount() const;
    double contentsScale() const { return contentsScale_; }

    // The view a scene draws for this frame: smooths the parallax towards the pointer and maps
    // the pointer into the window (y growing upward). `mouse` is in screen coordinates,
    // `framePeriod` is 1 / the pacer's target.
    SceneView makeView(ScreenPoint mouse, double now, double framePeriod, int width, int height);
    SceneView makeView(ScreenPoint mouse, double now, double framePeriod, const gpu::Texture& texture) {
        return makeView(mouse, now, framePeriod, texture.width(), texture.height());
    }

    // Asks for one still frame although the decision is paused (only in a window with a drawable
    // wider than one pixel); the driver then re-evaluates its link.
    void requestStill();
    // Called, besides the driver, when the surface wants its link re-evaluated.
    std::function<void()> onLinkChange;

    // The next of up to three drawables at the drawable size; null when none can be made.
    const gpu::Texture* nextDrawable(gpu::Device& device);
    // Hands a drawn drawable to the window.
    void present(const gpu::Texture& drawable);

    // The main pass for a drawable texture: colour to (or resolved into) the drawable, load action
    // don't-care; depth cleared to 1, not stored. Targets are memoryless and kept while the size
    // and sample count fit; the pass is reused with only the drawable swapped. None when a target
    // cannot be made.
    const gpu::RenderPassDescriptor* renderPass(const gpu::Texture& drawable, int sampleCount, gpu::Device& device);
    // Drops the targets and the cached pass (a new scene, a new size).
    void dropTargets();

    FrameStats stats;
    int displayIndex = 0;
    bool interactive = true;
    bool parallaxEnabled = true;
    bool pointerReacts = true;
    FrameDriver* driver = nullptr;  // set by FrameDriver::add, cleared when either goes
    RenderDecision decision = RenderDecision::paused(PauseReason::user);
    FramePacer pacer{30};
    float scale = 1;
    bool hasFrame = false;
    bool wantsStill = false;
    std::optional<AutoQuality> autoQuality;
    std::optional<gpu::Texture> fadeTexture;
    std::optional<SceneView> lastView;
    std::optional<gpu::Texture> msaaColor;
    std::optional<gpu::Texture> depth;
    int targetsSampleCount = 0;
    std::optional<gpu::RenderPassDescriptor> cachedPass;
    Float2 parallax;
    ScreenPoint lastMouse{-1, -1};
    double lastMouseMove = 0;

private:
    void linkChanged();
    double boundsWidth() const;
    double boundsHeight() const;
    double backingScale() const;

    SurfaceWindow* window_ = nullptr;
    bool inWindow_ = false;
    double detachedWidth_ = 0;
    double detachedHeight_ = 0;
    double contentsScale_ = 1;
    int drawableWidth_ = 1;
    int drawableHeight_ = 1;
    std::array<std::optional<gpu::Texture>, maximumDrawableCount> drawables_;
    int nextDrawable_ = 0;
};

}  // namespace lumen::app
