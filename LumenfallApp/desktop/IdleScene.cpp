#include "desktop/IdleScene.hpp"

#include "platform/DesktopBackend.hpp"
#include "render/DisplayLink.hpp"
#include "render/FrameDriver.hpp"

#include "log/EventLog.hpp"

#include <QTimer>

#include <cmath>

namespace lumen::app {

namespace {

constexpr int idleFps = 30;
constexpr float idleScale = 1.0f;

}  // namespace

IdleScene::IdleScene(DesktopBackend& backend, FrameDriver& driver, gpu::Device* device)
    : mediaTime(&DisplayLink::now), backend_(backend), driver_(driver), device_(device),
      self_(std::make_shared<IdleScene*>(this)) {}

IdleScene::~IdleScene() {
    timer_.reset();
    takeDown(false);
}

std::optional<double> IdleScene::checkInterval() const {
    if (!timer_ || !timer_->isActive()) return std::nullopt;
    return timer_->interval() / 1000.0;
}

void IdleScene::schedule(double interval) {
    timer_.reset();
    if (!enabled && windows_.empty()) return;
    timer_ = std::make_unique<QTimer>();
    timer_->setInterval(static_cast<int>(std::lround(interval * 1000)));
    // About a fifth of the period may be given up to wake up together with other timers: whole
    // seconds (at most half a second off) once the period is long enough, else 5 %.
    timer_->setTimerType(interval * 0.2 >= 1.0 ? Qt::VeryCoarseTimer : Qt::CoarseTimer);
    // The timer dies with the scene, so it never calls a scene that is gone.
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { check(); });
    timer_->start();
}

void IdleScene::check() {
    const std::optional<double> idle = backend_.idleSeconds();
    if (!idle) return;
    if (!showing()) {
        // The inhibitor query goes over D-Bus: asked last, only when everything else says yes.
        if (enabled && *idle >= minutes * 60.0 && (!allowed || allowed()) &&
            !(displaySleepPrevented && displaySleepPrevented())) {
            show();
        }
        return;
    }
    // The idle time restarted after the windows appeared: someone touched the pointer.
    if (*idle + inputGrace < mediaTime() - shownAt_) dismiss();
}

void IdleScene::show() {
    if (showing()) return;
    previousWindow_ = backend_.activeWindow();

    const std::vector<Screen> screens = backend_.screens();
    const std::weak_ptr<IdleScene*> weak = self_;
    for (std::size_t index = 0; index < screens.size(); ++index) {
        DesktopWindow* window = backend_.createIdleWindow(screens[index], device_, [weak](IdleInput kind) {
            if (const auto self = weak.lock()) (*self)->input(kind);
        });
        if (!window) {
            logEvent("display " + std::to_string(screens[index].id) + ": the idle window could not be made");
            continue;
        }
        windows_.push_back(std::make_unique<IdleWindow>(*window, static_cast<int>(index)));
        driver_.add(windows_.back()->surface());
    }
    // Nothing to show on: still waiting, as the next check will see.
    if (windows_.empty()) {
        previousWindow_.reset();
        return;
    }

    // Drawn right away; the application model's next apply() puts its own decision in place.
    for (auto& window : windows_) window->surface().apply(RenderDecision::render(idleFps, idleScale));

    shownAt_ = mediaTime();
    logEvent("idle scene shown");
    if (onShowingChanged) onShowingChanged(true);
    schedule(showingInterval);
}

void IdleScene::dismiss() {
    if (!showing()) return;
    takeDown(true);
    if (previousWindow_) backend_.activateWindow(*previousWindow_);
    previousWindow_.reset();
    logEvent("idle scene dismissed");
    if (onShowingChanged) onShowingChanged(false);
    schedule(waitingInterval);
}

void IdleScene::input(IdleInput kind) {
    if (!showing()) return;
    // Keys and buttons end it at once. Motion is input happening now, so it ends it once past
    // the grace, as check() would find from the idle time (which a server may not report).
    if (kind != IdleInput::motion || mediaTime() - shownAt_ > inputGrace) dismiss();
}

void IdleScene::takeDown(bool report) {
    std::vector<std::unique_ptr<IdleWindow>> windows = std::move(windows_);
    windows_.clear();
    for (auto& idle : windows) {
        // Paused with a still owed, like every display that stops; logged as "display N: Paused".
        if (report) idle->surface().apply(RenderDecision::paused(PauseReason::user));
        driver_.remove(idle->surface());
        DesktopWindow& window = idle->window();
        idle.reset();
        backend_.destroyIdleWindow(window);
    }
}

}  // namespace lumen::app
