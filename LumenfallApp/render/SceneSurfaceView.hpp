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
#include <utility>

namespace lumen::app {

class FrameDriver;

// One display's drawing surface: its render decision and pacer, its scale, its multisample and
// depth targets with a cached render pass, its pointer and parallax state, its cross-fade
// snapshot and its frame counters. The desktop backends attach it to a SurfaceWindow; without a
// window it keeps a state of its own (tests, tools). Main thread only.
//
// Who writes what; everyone else reads through the accessors:
// - The window owners (desktop/) and the application model configure it: the window and its
//   geometry, setDisplayIndex, setInteractive, setParallaxEnabled, setPointerReacts, apply (the
//   decision, from which the surface itself derives pacer rate, scale and drawable size) and
//   auto quality (startAutoQuality, updateAutoQuality, dropAutoQuality).
// - The frame driver attaches itself (attachDriver / detachDriver, the only use of its
//   friendship), asks whether a frame is due (frameDue), marks each presented drawable
//   (markDrawn) and books GPU time (addGPUShare, takeMeasuredGPU).
// - The scene host tells it of a new scene (sceneChanged) and owns the cross-fade snapshot
//   (setFadeSnapshot, dropFadeSnapshot).
// - The performance timer reads and resets the counters (takeTotals).
// - Targets, cached pass, parallax and pointer history are written only by the surface's own
//   renderPass, dropTargets and makeView.
// Rules it keeps:
// - hasFrame is cleared by a real change of the drawable size or by a new scene, and set only
//   by a drawn frame (markDrawn).
// - A still is wished for only in a window with a drawable wider than one pixel: when the
//   surface comes on screen without a frame, or is paused without one (a pause, a resize, a new
//   scene). Only a drawn still clears the wish. The driver draws stills for paused surfaces only.
// - lastView is the view a scene last drew here; a drawable presented undrawn leaves it.
// - scale is that of the last rendering decision; the drawable size follows every change.
// - The targets and the pass fit one drawable size and sample count; a new scene drops them.
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

    // Configuration, by the window owners and the application model.

    // The display's position in the screen list; the link follows the lowest animating one.
    void setDisplayIndex(int index) { displayIndex_ = index; }
    // A non-interactive surface ignores the pointer altogether (no parallax, no pointer).
    void setInteractive(bool interactive) { interactive_ = interactive; }
    void setParallaxEnabled(bool enabled) { parallaxEnabled_ = enabled; }
    void setPointerReacts(bool reacts) { pointerReacts_ = reacts; }
    // Auto quality for the display's native pixels at `fps` (a new estimate from the scene's
    // cost), dropped for a new scene, and fed each measured GPU busy percent; updateAutoQuality
    // returns the scale afterwards (1 without auto quality).
    void startAutoQuality(double fps, const SceneCost& cost);
    void dropAutoQuality() { autoQuality_.reset(); }
    float updateAutoQuality(double busyPercent, double now);

    // Frame bookkeeping, by the frame driver on every tick.

    // An animating surface's pacer: whether it draws at `now`; advances the schedule when it does.
    bool frameDue(double now, double tickInterval) { return pacer_.shouldDraw(now, tickInterval); }
    // A drawable was presented: the surface has a frame, and counts it as a still (clearing the
    // wish for one) or as a frame. `drawnView` is the view the scene drew into it, null when it
    // was presented undrawn (no scene, no pass): the last view then stays.
    void markDrawn(const SceneView* drawnView, bool still);
    // This surface's share of a finished command buffer's GPU time; bogus values are ignored.
    void addGPUShare(double seconds) { stats_.addGPU(seconds); }
    // GPU seconds booked since the last take (for the 2 s measurement), reset.
    double takeMeasuredGPU() { return stats_.takeAuto(); }

    // Scene switches, by the scene host.

    // A new scene (or none) replaced the old: drops the targets and the frame, and asks for a still
    // while paused.
    void sceneChanged();
    // The previous scene's last picture, faded out over the new scene's first frames.
    void setFadeSnapshot(gpu::Texture snapshot) { fadeSnapshot_ = std::move(snapshot); }
    void dropFadeSnapshot() { fadeSnapshot_.reset(); }

    // The performance timer.

    // The counters since the last take, reset.
    Totals takeTotals() { return stats_.takeTotals(); }

    // Read only.

    const FrameStats& stats() const { return stats_; }
    int displayIndex() const { return displayIndex_; }
    bool interactive() const { return interactive_; }
    bool parallaxEnabled() const { return parallaxEnabled_; }
    bool pointerReacts() const { return pointerReacts_; }
    const RenderDecision& decision() const { return decision_; }
    const FramePacer& pacer() const { return pacer_; }
    float scale() const { return scale_; }
    bool hasFrame() const { return hasFrame_; }
    bool wantsStill() const { return wantsStill_; }
    const std::optional<AutoQuality>& autoQuality() const { return autoQuality_; }
    const std::optional<gpu::Texture>& fadeSnapshot() const { return fadeSnapshot_; }
    const std::optional<SceneView>& lastView() const { return lastView_; }
    const std::optional<gpu::Texture>& msaaColor() const { return msaaColor_; }
    const std::optional<gpu::Texture>& depth() const { return depth_; }
    int targetsSampleCount() const { return targetsSampleCount_; }
    const std::optional<gpu::RenderPassDescriptor>& cachedPass() const { return cachedPass_; }
    Float2 parallax() const { return parallax_; }
    // Media time the pointer last moved, as makeView saw it.
    double lastMouseMove() const { return lastMouseMove_; }

private:
    friend class FrameDriver;
    // FrameDriver::add and remove (and the driver's destructor); the surface's destructor
    // unregisters itself from the attached driver.
    void attachDriver(FrameDriver& driver) { driver_ = &driver; }
    void detachDriver(const FrameDriver& driver) {
        if (driver_ == &driver) driver_ = nullptr;
    }
    void linkChanged();
    double boundsWidth() const;
    double boundsHeight() const;
    double backingScale() const;

    FrameStats stats_;
    int displayIndex_ = 0;
    bool interactive_ = true;
    bool parallaxEnabled_ = true;
    bool pointerReacts_ = true;
    FrameDriver* driver_ = nullptr;
    RenderDecision decision_ = RenderDecision::paused(PauseReason::user);
    FramePacer pacer_{30};
    float scale_ = 1;
    bool hasFrame_ = false;
    bool wantsStill_ = false;
    std::optional<AutoQuality> autoQuality_;
    std::optional<gpu::Texture> fadeSnapshot_;
    std::optional<SceneView> lastView_;
    std::optional<gpu::Texture> msaaColor_;
    std::optional<gpu::Texture> depth_;
    int targetsSampleCount_ = 0;
    std::optional<gpu::RenderPassDescriptor> cachedPass_;
    Float2 parallax_;
    ScreenPoint lastMouse_{-1, -1};
    double lastMouseMove_ = 0;

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
