#pragma once

#include "render/SceneFrame.hpp"

#include "LumenKit/AutoQuality.hpp"
#include "LumenKit/FramePacer.hpp"
#include "LumenKit/RenderDecision.hpp"

#include "gpu/Gpu.hpp"

#include <functional>
#include <optional>

namespace lumen::app {

// One display's drawing surface: its render decision and pacer, its scale, its multisample and
// depth targets with a cached render pass, and its cross-fade snapshot. The desktop backends
// attach it to a window; without a window it has a drawable size of its own (tests, tools).
class SceneSurfaceView {
public:
    SceneSurfaceView();
    virtual ~SceneSurfaceView() = default;
    SceneSurfaceView(const SceneSurfaceView&) = delete;
    SceneSurfaceView& operator=(const SceneSurfaceView&) = delete;

    ViewID id() const { return this; }

    // Whether the surface sits in a window on screen, and its drawable size in pixels.
    virtual bool inWindow() const { return inWindow_; }
    virtual int drawableWidth() const { return drawableWidth_; }
    virtual int drawableHeight() const { return drawableHeight_; }
    // Without a window: sets the state the window would give (tests, tools).
    void setDetachedState(bool inWindow, int drawableWidth, int drawableHeight);

    // Asks for one still frame although the decision is paused (only in a window with a drawable
    // wider than one pixel); the driver then re-evaluates its link.
    void requestStill();
    // Called when the surface wants the frame driver to re-evaluate its link.
    std::function<void()> onLinkChange;

    // The main pass for a drawable texture: colour to (or resolved into) the drawable, load action
    // don't-care; depth cleared to 1, not stored. Targets are memoryless and kept while the size
    // and sample count fit; the pass is reused with only the drawable swapped. None when a target
    // cannot be made.
    const gpu::RenderPassDescriptor* renderPass(const gpu::Texture& drawable, int sampleCount, gpu::Device& device);
    // Drops the targets and the cached pass (a new scene, a new size).
    void dropTargets();

    int displayIndex = 0;
    bool interactive = true;
    bool parallaxEnabled = true;
    bool pointerReacts = true;
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

private:
    bool inWindow_ = false;
    int drawableWidth_ = 1;
    int drawableHeight_ = 1;
};

}  // namespace lumen::app
