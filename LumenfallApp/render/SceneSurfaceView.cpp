#include "render/SceneSurfaceView.hpp"

#include "render/FrameDriver.hpp"
#include "scenekit/SceneTargets.hpp"

#include "log/EventLog.hpp"

#include <algorithm>
#include <cmath>
#include <string>

namespace lumen::app {
namespace {

std::optional<double> mainScreenScale;

constexpr double fallbackBackingScale = 2.0;
// Parallax eases towards the pointer at this rate per second; longer periods than 0.2 s are
// treated as 0.2 s so a slow display does not jump.
constexpr double parallaxRate = 0.8;
constexpr double longestSmoothedPeriod = 0.2;
constexpr double pointerIdleSeconds = 2.5;

float clampUnit(double v) { return static_cast<float>(std::clamp(v, -1.0, 1.0)); }

}  // namespace

SceneSurfaceView::SceneSurfaceView() = default;

SceneSurfaceView::~SceneSurfaceView() {
    if (window_) window_->onScreenChanged = nullptr;
    if (driver_) driver_->remove(*this);
}

bool SceneSurfaceView::inWindow() const { return window_ ? window_->onScreen() : inWindow_; }

void SceneSurfaceView::setDetachedState(bool inWindow, int drawableWidth, int drawableHeight) {
    inWindow_ = inWindow;
    drawableWidth_ = std::max(drawableWidth, 1);
    drawableHeight_ = std::max(drawableHeight, 1);
}

void SceneSurfaceView::setDetachedBounds(double width, double height) {
    detachedWidth_ = width;
    detachedHeight_ = height;
}

void SceneSurfaceView::setMainScreenScale(std::optional<double> scale) { mainScreenScale = scale; }

void SceneSurfaceView::setWindow(SurfaceWindow* window) {
    if (window_) window_->onScreenChanged = nullptr;
    window_ = window;
    if (window_) window_->onScreenChanged = [this] { screenStateChanged(); };
    screenStateChanged();
}

void SceneSurfaceView::screenStateChanged() {
    updateDrawableSize();
    if (inWindow() && !hasFrame_) requestStill();
    linkChanged();
}

double SceneSurfaceView::boundsWidth() const { return window_ ? window_->frame().width : detachedWidth_; }
double SceneSurfaceView::boundsHeight() const { return window_ ? window_->frame().height : detachedHeight_; }

double SceneSurfaceView::backingScale() const {
    if (window_) return window_->backingScale();
    return mainScreenScale.value_or(fallbackBackingScale);
}

void SceneSurfaceView::linkChanged() {
    if (driver_) driver_->updateLink();
    if (onLinkChange) onLinkChange();
}

void SceneSurfaceView::requestStill() {
    // A surface off screen or still one pixel wide has nothing worth a still.
    if (!inWindow() || drawableWidth() <= 1) return;
    wantsStill_ = true;
    linkChanged();
}

void SceneSurfaceView::apply(const RenderDecision& newDecision) {
    const RenderDecision old = decision_;
    decision_ = newDecision;

    if (decision_.isRender()) {
        pacer_.setTarget(decision_.fps());
        // Resuming draws at once instead of waiting out a schedule from before the pause.
        if (old.isPaused()) pacer_.reset();
        if (decision_.scale() != scale_) {
            scale_ = decision_.scale();
            updateDrawableSize();
        }
    }
    // A paused display shows one still frame, never the empty background.
    if (decision_.isPaused() && !hasFrame_) requestStill();

    if (!(old == decision_)) {
        logEvent("display " + std::to_string(displayIndex_) + ": " + decision_.statusText());
        linkChanged();
    }
}

void SceneSurfaceView::updateDrawableSize() {
    const double b = backingScale();
    contentsScale_ = b;
    const double width = boundsWidth();
    const double height = boundsHeight();
    // std::lround rounds halves away from zero.
    const int w = static_cast<int>(std::max(std::lround(width * b * scale_), 1L));
    const int h = static_cast<int>(std::max(std::lround(height * b * scale_), 1L));
    if ((w == drawableWidth_ && h == drawableHeight_) || width <= 1) return;
    drawableWidth_ = w;
    drawableHeight_ = h;
    hasFrame_ = false;
    if (decision_.isPaused()) requestStill();
}

void SceneSurfaceView::markDrawn(const SceneView* drawnView, bool still) {
    if (drawnView) lastView_ = *drawnView;
    hasFrame_ = true;
    if (still) {
        wantsStill_ = false;
        stats_.addStill();
    } else {
        stats_.addFrame();
    }
}

void SceneSurfaceView::sceneChanged() {
    dropTargets();
    hasFrame_ = false;
    if (decision_.isPaused()) requestStill();
}

void SceneSurfaceView::startAutoQuality(double fps, const SceneCost& cost) {
    autoQuality_.emplace(nativePixelCount(), fps, cost);
}

float SceneSurfaceView::updateAutoQuality(double busyPercent, double now) {
    return autoQuality_ ? autoQuality_->update(busyPercent, now) : 1.0f;
}

std::int64_t SceneSurfaceView::nativePixelCount() const {
    const double b = backingScale();
    return static_cast<std::int64_t>(boundsWidth() * b) * static_cast<std::int64_t>(boundsHeight() * b);
}

SceneView SceneSurfaceView::makeView(ScreenPoint mouse, double now, double framePeriod, int width, int height) {
    std::optional<Float2> pointer;
    bool pointerActive = false;

    if (!interactive_ || !inWindow() || !window_) {
        parallax_ = {};
    } else {
        const ScreenRect r = window_->frame();
        if (!(mouse == lastMouse_)) {
            lastMouse_ = mouse;
            lastMouseMove_ = now;
        }
        // Screen y grows downward, the view's upward: the upper half of the window is positive.
        Float2 target;
        if (parallaxEnabled_ && r.width > 0 && r.height > 0) {
            target = {clampUnit((mouse.x - r.midX()) / (r.width / 2)), clampUnit((r.midY() - mouse.y) / (r.height / 2))};
        }
        const double k = framePeriod <= longestSmoothedPeriod ? 1 - std::exp(-parallaxRate * framePeriod)
                                                              : 1 - std::exp(-parallaxRate * longestSmoothedPeriod);
        parallax_.x += static_cast<float>((target.x - parallax_.x) * k);
        parallax_.y += static_cast<float>((target.y - parallax_.y) * k);

        if (r.width > 0 && r.height > 0 && r.contains(mouse)) {
            pointer = Float2{static_cast<float>(2 * (mouse.x - r.x) / r.width - 1),
                             static_cast<float>(1 - 2 * (mouse.y - r.y) / r.height)};
            pointerActive = now - lastMouseMove_ < pointerIdleSeconds;
        }
    }

    SceneView view;
    view.id = id();
    view.displayIndex = displayIndex_;
    view.width = width;
    view.height = height;
    view.pixelScale = scale_;
    view.parallax = parallaxEnabled_ && interactive_ ? parallax_ : Float2{};
    view.pointer = pointer;
    view.pointerActive = pointerActive && pointerReacts_;
    view.reactsToPointer = interactive_ && pointerReacts_;
    return view;
}

const gpu::Texture* SceneSurfaceView::nextDrawable(gpu::Device& device) {
    auto& slot = drawables_[static_cast<std::size_t>(nextDrawable_)];
    if (!slot || slot->width() != drawableWidth_ || slot->height() != drawableHeight_) {
        slot.reset();
        auto made = device.makeTexture({.format = gpu::PixelFormat::bgra8Unorm,
                                        .width = drawableWidth_,
                                        .height = drawableHeight_,
                                        .usage = gpu::TextureUsage::renderTarget | gpu::TextureUsage::shaderRead,
                                        .label = "drawable"});
        if (!made.ok()) return nullptr;
        slot = std::move(made.value());
    }
    nextDrawable_ = (nextDrawable_ + 1) % maximumDrawableCount;
    return &*slot;
}

void SceneSurfaceView::present(const gpu::Texture& drawable) {
    if (window_) window_->present(drawable);
}

const gpu::RenderPassDescriptor* SceneSurfaceView::renderPass(const gpu::Texture& drawable, int sampleCount,
                                                              gpu::Device& device) {
    sampleCount = std::max(sampleCount, 1);
    const int width = drawable.width();
    const int height = drawable.height();
    const bool depthFits = depth_ && depth_->width() == width && depth_->height() == height;

    // Steady state: only the drawable changes from frame to frame.
    if (cachedPass_ && targetsSampleCount_ == sampleCount && depthFits) {
        auto& colour = cachedPass_->colorAttachments[0];
        if (colour.resolveTexture) {
            colour.resolveTexture = &drawable;
        } else {
            colour.texture = &drawable;
        }
        return &*cachedPass_;
    }

    cachedPass_.reset();
    // A missing multisample target is remade too, so one refused allocation is retried next tick.
    const bool msaaMissing = sampleCount > 1 && !msaaColor_;
    if (targetsSampleCount_ != sampleCount || !depthFits || msaaMissing) {
        msaaColor_.reset();
        depth_.reset();
        if (sampleCount > 1) {
            msaaColor_ = makeSceneTarget(device, gpu::PixelFormat::bgra8Unorm, width, height, sampleCount);
        }
        depth_ = makeSceneTarget(device, gpu::PixelFormat::depth32Float, width, height, sampleCount);
        targetsSampleCount_ = sampleCount;
    }
    if (!depth_) return nullptr;
    if (sampleCount > 1 && !msaaColor_) return nullptr;

    cachedPass_ = makeScenePass(drawable, sampleCount > 1 ? &*msaaColor_ : nullptr, *depth_);
    return &*cachedPass_;
}

void SceneSurfaceView::dropTargets() {
    cachedPass_.reset();
    msaaColor_.reset();
    depth_.reset();
    targetsSampleCount_ = 0;
}

}  // namespace lumen::app
