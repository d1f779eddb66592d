#include "render/FrameDriver.hpp"

#include "render/DisplayLink.hpp"
#include "scenekit/GpuContext.hpp"
#include "render/SceneHost.hpp"
#include "render/SceneSurfaceView.hpp"
#include "scenekit/FrameEncoding.hpp"

#include <algorithm>

namespace lumen::app {

FrameDriver::FrameDriver(SceneHost& sceneHost) : host(sceneHost) {
    makeLink = [](SceneSurfaceView& surface, TickHandler tick) -> std::unique_ptr<FrameLink> {
        const double refresh = surface.window() ? surface.window()->refreshRate() : 0;
        return std::make_unique<DisplayLink>(std::move(tick), refresh);
    };
    mediaTime = [] { return DisplayLink::now(); };
    const gpu::DeviceInfo& info = host.gpu().device().info();
    gpuTimesMeasureWork = info.timestampBits > 0 && !info.softwareRasterizer();
}

FrameDriver::~FrameDriver() {
    stop();
    for (auto* surface : surfaces_) surface->detachDriver(*this);
}

void FrameDriver::add(SceneSurfaceView& surface) {
    surface.attachDriver(*this);
    if (std::find(surfaces_.begin(), surfaces_.end(), &surface) == surfaces_.end()) {
        surfaces_.push_back(&surface);
        batch_.reserve(surfaces_.size());
    }
    updateLink();
}

void FrameDriver::remove(SceneSurfaceView& surface) {
    std::erase(surfaces_, &surface);
    surface.detachDriver(*this);
    inFlight_.forget(&surface);
    // Never compare against a surface that may be gone: the next choice makes a fresh link.
    if (linkSurface_ == &surface) linkSurface_ = nullptr;
    updateLink();
}

void FrameDriver::stop() {
    if (link_) {
        link_->invalidate();
        retiredLink_ = std::move(link_);
    }
    linkSurface_ = nullptr;
    lastTick_.reset();
}

void FrameDriver::pauseLink() {
    if (link_) link_->setPaused(true);
    lastTick_.reset();
}

void FrameDriver::updateLink() {
    SceneSurfaceView* chosen = nullptr;
    int highestFPS = 0;
    for (auto* surface : surfaces_) {
        if (!surface->inWindow() || !surface->decision().isRender()) continue;
        highestFPS = std::max(highestFPS, surface->decision().fps());
        // Strictly lower, so ties go to the earliest registered.
        if (!chosen || surface->displayIndex() < chosen->displayIndex()) chosen = surface;
    }

    if (!chosen) {
        // The first step after resuming must not span the pause.
        host.clearLastStep();
        for (auto* surface : surfaces_) {
            if (surface->inWindow() && surface->wantsStill()) {
                chosen = surface;
                break;
            }
        }
        if (!chosen) {
            pauseLink();
            return;
        }
    }

    if (!link_ || linkSurface_ != chosen) {
        if (link_) {
            link_->invalidate();
            retiredLink_ = std::move(link_);
        }
        link_ = makeLink ? makeLink(*chosen, [this](FrameLink& link) { tick(link); }) : nullptr;
        linkSurface_ = link_ ? chosen : nullptr;
        linkFPS_ = 0;
        lastTick_.reset();
        if (!link_) return;
    }

    const float rate = highestFPS > 0 ? static_cast<float>(highestFPS) : stillFrameRate;
    if (rate != linkFPS_) {
        link_->setPreferredFrameRateRange(0.8f * rate, rate, rate);
        linkFPS_ = rate;
        tickInterval_ = 1.0 / rate;
    }
    link_->setPaused(false);
}

void FrameDriver::tick(FrameLink& link) {
    stats.addTick();

    const double now = link.targetTimestamp();
    if (lastTick_ && *lastTick_ < now) tickInterval_ = 0.1 * (now - *lastTick_) + 0.9 * tickInterval_;
    lastTick_ = now;

    batch_.clear();
    bool animating = false;
    for (auto* surface : surfaces_) {
        if (!surface->inWindow()) continue;
        if (surface->decision().isPaused()) {
            if (surface->wantsStill()) batch_.push_back(surface);
            continue;
        }
        animating = true;
        if (surface->frameDue(now, tickInterval_)) batch_.push_back(surface);
    }

    if (batch_.empty()) {
        if (!animating) {
            link.setPaused(true);
            lastTick_.reset();
        }
        return;
    }

    reapFinished();
    if (inFlight_.size() >= maximumInFlight) {
        stats.addSkippedBusy();
        return;
    }

    drawBatch();
    // Only stills were drawn: the link may sleep now that they are presented.
    if (!animating) updateLink();
    measure();
}

void FrameDriver::drawBatch() {
    const double t0 = mediaTime();
    const bool animates = std::any_of(batch_.begin(), batch_.end(),
                                      [](const SceneSurfaceView* s) { return s->decision().isRender(); });
    const SceneFrame frame = host.makeFrame(t0, minimumStep, animates);
    const double t1 = mediaTime();

    // One pointer sample, at most about ten a second, serves every surface of the tick.
    for (auto* surface : batch_) {
        if (!surface->interactive()) continue;
        if (t0 - lastMouseRead_ >= pointerReadInterval) {
            if (pointerLocation) {
                if (auto p = pointerLocation()) mouse_ = *p;
            }
            lastMouseRead_ = t0;
        }
        break;
    }

    gpu::Device& device = host.gpu().device();
    InFlightFrame& entry = inFlight_.push();
    gpu::CommandBuffer& commandBuffer = entry.commandBuffer.emplace(device.makeCommandBuffer("Lumenfall frame"));
    LumenScene* scene = host.scene();
    std::optional<FrameEncoding> encoding;
    if (scene) encoding.emplace(*scene, commandBuffer, frame);

    for (auto* surface : batch_) {
        const gpu::Texture* drawable = surface->nextDrawable(device);
        if (!drawable) continue;

        const double framePeriod = 1.0 / std::max(surface->pacer().targetFPS(), 1);
        const SceneView view = surface->makeView(mouse_, t0, framePeriod, *drawable);
        bool drawn = false;
        if (encoding) {
            // Without a pass (targets refused) the drawable is still presented, undrawn.
            const auto* pass = surface->renderPass(*drawable, host.sampleCount(), device);
            drawn = encoding->encodeView(view, pass, host.info().title, [&](gpu::RenderEncoder& encoder) {
                host.drawFade(encoder, *surface, t0);
            });
        }
        const double presentStart = mediaTime();
        surface->present(*drawable);
        entry.waitSeconds += mediaTime() - presentStart;
        surface->markDrawn(drawn ? &view : nullptr, surface->decision().isPaused());
        entry.drawn.push_back({surface, static_cast<std::int64_t>(drawable->width()) * drawable->height()});
    }

    const double commitStart = mediaTime();
    commandBuffer.commit();
    entry.waitSeconds += mediaTime() - commitStart;
    stats.addWork(commandBuffer.counters());
    if (entry.drawn.empty()) {
        inFlight_.remove(inFlight_.size() - 1);
        return;
    }
    const double t2 = mediaTime();
    stats.addCommandBuffer();
    stats.addEncode(t2 - t1);
    stats.addSim(t1 - t0);
}

void FrameDriver::reapFinished() {
    std::size_t i = 0;
    while (i < inFlight_.size()) {
        InFlightFrame& entry = inFlight_[i];
        const FrameStatus status = entry.status();
        if (status == FrameStatus::pending) {
            ++i;
            continue;
        }
        if (status == FrameStatus::completed) {
            const double g =
                gpuTimesMeasureWork ? entry.gpuSeconds() : std::max(entry.gpuSeconds(), entry.waitSeconds);
            stats.addGPU(g);
            const std::int64_t total = entry.drawnPixels();
            // A bogus whole is not split either: its shares would be just as bogus.
            if (g > 0 && g <= FrameStats::maxFrameGPUSeconds && total >= 1) {
                for (const auto& d : entry.drawn) {
                    if (d.surface) d.surface->addGPUShare(g * static_cast<double>(d.pixels) / static_cast<double>(total));
                }
            }
        }
        inFlight_.remove(i);
    }
}

void FrameDriver::measure() {
    const double now = mediaTime();
    if (lastMeasure_ == 0) {
        lastMeasure_ = now;
        for (auto* surface : surfaces_) surface->takeMeasuredGPU();
        return;
    }
    if (now - lastMeasure_ < measureInterval) return;
    const double since = lastMeasure_;
    lastMeasure_ = now;
    // By index: a handler may re-decide a surface, which re-links but never re-registers.
    for (std::size_t i = 0; i < surfaces_.size(); ++i) {
        SceneSurfaceView& surface = *surfaces_[i];
        const double busy = surface.takeMeasuredGPU();
        if (surface.decision().isRender() && onMeasure) onMeasure(surface, busy / (now - since) * 100);
    }
}

}  // namespace lumen::app
