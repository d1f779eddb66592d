#include "render/SceneHost.hpp"

#include "scenekit/FrameEncoding.hpp"
#include "scenekit/GpuContext.hpp"
#include "scenekit/SceneClasses.hpp"
#include "scenekit/SceneError.hpp"
#include "render/SceneSurfaceView.hpp"
#include "scenekit/SceneTargets.hpp"

#include "log/EventLog.hpp"

#include "LumenKit/sky/LocalZone.hpp"
#include "LumenKit/sky/SkyClock.hpp"

#include <algorithm>
#include <exception>
#include <string>

#include <time.h>

namespace lumen::app {

namespace {

constexpr double skyRefreshSeconds = 10;
constexpr double maxStep = 0.1;
// Below this the snapshot no longer shows; drawing it would only cost a pass of blending.
constexpr float fadeInvisible = 0.002f;

// Opacity of the snapshot at fade progress t in [0, 1]: one minus smoothstep.
float fadeCurve(float t) { return 1 - t * t * (3 - 2 * t); }

double monotonicSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Builds the scene of an entry; on failure writes the event and returns null.
std::unique_ptr<LumenScene> build(const SceneInfo& info, GpuContext& gpu, const SceneEnvironment& environment) {
    std::string description;
    try {
        return makeScene(info, gpu, environment);
    } catch (const SceneException& error) {
        description = error.error().description();
    } catch (const std::exception& error) {
        description = error.what();
    }
    logEvent("scene " + info.id.text() + " failed: " + description);
    return nullptr;
}

}  // namespace

SceneHost::SceneHost(GpuContext& gpu, SceneCatalog catalog, SceneInfo info, std::optional<float> previewHour)
    : mediaTime(monotonicSeconds),
      wallTime([] { return std::chrono::system_clock::now(); }),
      gpu_(gpu),
      catalog_(std::move(catalog)),
      info_(std::move(info)) {
    if (previewHour && *previewHour > 0) hourOverride_ = previewHour;
    refreshSky();
}

SceneHost::~SceneHost() = default;

bool SceneHost::load(const SceneInfo& info, std::span<SceneSurfaceView* const> surfaces, bool crossfade) {
    if (scene_ && info_.id == info.id) return true;

    // A new switch supersedes any fade still running: only snapshots taken now may fade.
    for (auto* surface : surfaces) surface->dropFadeSnapshot();
    if (scene_) {
        if (crossfade) captureFadeSnapshots(surfaces);
        for (auto* surface : surfaces) scene_->releaseView(surface->id());
        scene_.reset();
    }

    std::optional<SceneInfo> built;
    auto scene = build(info, gpu_, environment());
    if (scene) {
        built = info;
    } else if (!catalog_.scenes.empty() && catalog_.fallback().id != info.id) {
        scene = build(catalog_.fallback(), gpu_, environment());
        if (scene) built = catalog_.fallback();
    }
    if (scene) {
        scene_ = std::move(scene);
        info_ = std::move(*built);
        if (const auto* sceneClass = SceneClasses::find(info_.className)) {
            sampleCount_ = std::max(sceneClass->sampleCount, 1);
        }
    } else {
        // Nothing draws: name the scene asked for, never the one that is gone.
        info_ = info;
    }

    // Every surface needs a new picture, also without any scene: it then shows the background
    // rather than the last frame of a scene that is gone.
    for (auto* surface : surfaces) {
        if (!scene_) surface->dropFadeSnapshot();
        surface->sceneChanged();
    }

    const bool fading = std::any_of(surfaces.begin(), surfaces.end(),
                                    [](const SceneSurfaceView* surface) { return surface->fadeSnapshot().has_value(); });
    fadeStart_ = fading ? std::optional<double>(mediaTime()) : std::nullopt;
    return scene_ && info_.id == info.id;
}

void SceneHost::captureFadeSnapshots(std::span<SceneSurfaceView* const> surfaces) {
    auto& device = gpu_.device();
    auto commandBuffer = device.makeCommandBuffer("crossfade snapshot");
    const SceneFrame frame = currentFrame();
    FrameEncoding encoding(*scene_, commandBuffer, frame);
    for (auto* surface : surfaces) {
        if (!surface->hasFrame() || !surface->decision().isRender() || !surface->inWindow() || !surface->lastView()) {
            continue;
        }
        const int width = surface->drawableWidth();
        const int height = surface->drawableHeight();
        auto made = device.makeTexture({.format = gpu::PixelFormat::bgra8Unorm,
                                        .width = width,
                                        .height = height,
                                        .usage = gpu::TextureUsage::shaderRead | gpu::TextureUsage::renderTarget,
                                        .label = "crossfade snapshot"});
        if (!made) continue;
        gpu::Texture snapshot = std::move(made.value());

        SceneTargets targets;
        const auto pass = targets.make(device, width, height, sampleCount_) ? std::optional(targets.pass(snapshot))
                                                                            : std::nullopt;
        if (!encoding.encodeView(*surface->lastView(), pass ? &*pass : nullptr, "crossfade snapshot")) continue;
        surface->setFadeSnapshot(std::move(snapshot));
    }
    commandBuffer.commit();
}

SceneFrame SceneHost::makeFrame(double now, double minStep, bool animate) {
    double dt = 0;
    if (animate) {
        if (!lastStep_ || now - *lastStep_ >= minStep) {
            // A clock running backwards never steps the animation back.
            if (lastStep_) dt = std::clamp(now - *lastStep_, 0.0, maxStep);
            lastStep_ = now;
        }
    }
    clock_ += dt;

    const bool stale = hourOverride_ ? skyTime_ == 0 : skyTime_ == 0 || now - skyTime_ > skyRefreshSeconds;
    if (stale) {
        refreshSky();
        skyTime_ = now;
    }

    SceneFrame frame = frameAt(now, dt);
    if (scene_) scene_->update(frame);
    return frame;
}

SceneFrame SceneHost::currentFrame() {
    if (skyTime_ == 0) refreshSky();
    return frameAt(mediaTime(), 0);
}

SceneFrame SceneHost::frameAt(double now, double dt) const {
    SceneFrame frame;
    frame.now = now;
    frame.clock = clock_;
    frame.dt = dt;
    frame.sky = sky_;
    frame.zone = skyZone_;
    frame.weather = weather;
    frame.options = options;
    frame.lowPower = lowPower;
    frame.reduceMotion = reduceMotion;
    return frame;
}

void SceneHost::setPlace(std::optional<Place> place) {
    const bool changed = place != place_;
    place_ = std::move(place);
    if (changed) skyTime_ = 0;
}

const date::time_zone* SceneHost::zone() const { return timeZone ? timeZone : localZone(); }

SceneEnvironment SceneHost::environment() const {
    SceneEnvironment environment;
    environment.wallTime = std::chrono::time_point_cast<SkyState::Instant::duration>(wallTime());
    environment.zone = zone();
    environment.featureMask = featureMask;
    return environment;
}

void SceneHost::refreshSky() {
    const auto date = wallTime();
    skyZone_ = zone();
    sky_ = hourOverride_ ? SkyClock::state(date, *hourOverride_, place_, skyZone_)
                         : SkyClock::state(date, place_, skyZone_);
}

float SceneHost::fadeAlpha(double elapsed) {
    const float t = std::clamp(static_cast<float>(elapsed / crossfadeSeconds), 0.0f, 1.0f);
    return fadeCurve(t);
}

void SceneHost::drawFade(gpu::RenderEncoder& encoder, SceneSurfaceView& surface, double now) {
    if (!fadeStart_ || !surface.fadeSnapshot()) return;
    // A frame time just before the switch counts as its start, not as a negative fade.
    const float t = std::max(static_cast<float>((now - *fadeStart_) / crossfadeSeconds), 0.0f);
    if (t >= 1) {
        surface.dropFadeSnapshot();
        fadeStart_.reset();
        return;
    }
    const float alpha = fadeCurve(t);
    if (alpha <= fadeInvisible) {
        surface.dropFadeSnapshot();
        return;
    }
    const auto* pipeline = gpu_.fadePipeline(sampleCount_);
    if (!pipeline) {
        surface.dropFadeSnapshot();
        return;
    }
    encoder.setPipeline(*pipeline);
    encoder.setDepthState(gpu_.depthOff());
    encoder.setFragmentTexture(GpuContext::fadeSnapshotSlot.index, *surface.fadeSnapshot());
    encoder.setFragmentBytes(GpuContext::fadeOpacitySlot.index, &alpha, sizeof alpha);
    encoder.drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);
}

std::optional<Image> SceneHost::renderOffscreen(LumenScene& scene, int width, int height, const SceneFrame& frame,
                                                int displayIndex, double* gpuMilliseconds, int sampleCount) {
    if (width < 1 || height < 1) return std::nullopt;
    auto& device = gpu_.device();
    // The host's share first, so a still too large for memory fails before the drawing, not after.
    const auto rowBytes = static_cast<std::size_t>(width) * 4;
    Image image{width, height, std::vector<std::uint8_t>(rowBytes * static_cast<std::size_t>(height))};
    auto made = device.makeTexture({.format = gpu::PixelFormat::bgra8Unorm,
                                    .width = width,
                                    .height = height,
                                    .usage = gpu::TextureUsage::shaderRead | gpu::TextureUsage::renderTarget,
                                    .label = "offscreen still"});
    if (!made) return std::nullopt;
    const gpu::Texture& colour = made.value();
    SceneTargets targets;
    if (!targets.make(device, width, height, sampleCount > 0 ? sampleCount : sampleCount_)) return std::nullopt;
    const auto pass = targets.pass(colour);
    auto commandBuffer = device.makeCommandBuffer("offscreen still");

    const auto token = std::make_unique<OffscreenID>();
    SceneView view;
    view.id = token.get();
    view.displayIndex = displayIndex;
    view.width = width;
    view.height = height;
    view.pixelScale = 1;

    FrameEncoding(scene, commandBuffer, frame).encodeView(view, &pass, "offscreen still");
    commandBuffer.commit();
    const bool completed = commandBuffer.waitUntilCompleted();
    if (gpuMilliseconds) {
        *gpuMilliseconds = completed ? (commandBuffer.gpuEndTime() - commandBuffer.gpuStartTime()) * 1000 : 0;
    }
    scene.releaseView(view.id);

    auto bytes = colour.readBytes();
    if (!bytes || bytes->size() < rowBytes * static_cast<std::size_t>(height)) return std::nullopt;
    // Texture rows come bottom first; the image holds the top row first. The fourth byte is padding.
    for (int row = 0; row < height; ++row) {
        const auto* from = bytes->data() + rowBytes * static_cast<std::size_t>(height - 1 - row);
        auto* to = image.bgrx.data() + rowBytes * static_cast<std::size_t>(row);
        std::copy(from, from + rowBytes, to);
        for (std::size_t x = 3; x < rowBytes; x += 4) to[x] = 0xFF;
    }
    return image;
}

}  // namespace lumen::app
