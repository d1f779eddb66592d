#pragma once

#include "render/FrameLink.hpp"
#include "render/FrameStats.hpp"
#include "render/InFlightFrame.hpp"
#include "render/SurfaceWindow.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace lumen::app {

class SceneHost;
class SceneSurfaceView;

// The application's frame loop: one display link for all displays. Each tick it picks the
// surfaces whose frames are due, steps the shared scene once, encodes every due surface into one
// command buffer, and counts. At most three command buffers are in flight; each display's share
// of GPU time feeds auto quality every 2 s. The link sleeps whenever nothing animates and no
// still frame is owed. Main thread only.
class FrameDriver {
public:
    static constexpr std::size_t maximumInFlight = 3;
    static constexpr double minimumStep = 0.004;
    static constexpr double pointerReadInterval = 0.095;
    static constexpr double measureInterval = 2.0;
    static constexpr float stillFrameRate = 30;

    using TickHandler = std::function<void(FrameLink&)>;
    // Makes the link that follows a surface's display and calls `tick` on each of its ticks.
    using LinkFactory = std::function<std::unique_ptr<FrameLink>(SceneSurfaceView& surface, TickHandler tick)>;
    using MeasureHandler = std::function<void(SceneSurfaceView& surface, double gpuBusyPercent)>;

    explicit FrameDriver(SceneHost& host);
    ~FrameDriver();
    FrameDriver(const FrameDriver&) = delete;
    FrameDriver& operator=(const FrameDriver&) = delete;

    // Registers a surface once (by identity) and re-evaluates the link.
    void add(SceneSurfaceView& surface);
    // Drops every registration of the surface and re-evaluates the link.
    void remove(SceneSurfaceView& surface);
    // Ends the link for good.
    void stop();

    // Follows the animating surface with the lowest display index at the highest rate any of
    // them wants; keeps running at 30 for an owed still; otherwise pauses.
    void updateLink();
    // The link's callback.
    void tick(FrameLink& link);
    // Accounts the finished frames in flight and drops them; unfinished ones stay.
    void reapFinished();
    // Every 2 s: each animating surface's GPU busy percent to onMeasure.
    void measure();

    SceneHost& host;
    FrameStats stats;
    MeasureHandler onMeasure;
    // False where timestamp queries do not see the work (none offered, or a software rasteriser
    // that draws while the main thread waits in present): the time spent waiting counts instead.
    bool gpuTimesMeasureWork = true;

    const std::vector<SceneSurfaceView*>& surfaces() const { return surfaces_; }
    FrameLink* link() const { return link_.get(); }
    const SceneSurfaceView* linkSurface() const { return linkSurface_; }
    float linkFPS() const { return linkFPS_; }
    InFlightFrames& inFlight() { return inFlight_; }
    const std::optional<double>& lastTick() const { return lastTick_; }
    double tickInterval() const { return tickInterval_; }
    double lastMeasure() const { return lastMeasure_; }
    ScreenPoint mouse() const { return mouse_; }
    double lastMouseRead() const { return lastMouseRead_; }

    // Seams for the platform and for tests. makeLink defaults to a DisplayLink at the surface's
    // window refresh rate; mediaTime to CLOCK_MONOTONIC seconds; pointerLocation (the backend's
    // pointer in screen coordinates) to none, which keeps the last sample.
    LinkFactory makeLink;
    std::function<double()> mediaTime;
    std::function<std::optional<ScreenPoint>()> pointerLocation;

private:
    void drawBatch();
    void pauseLink();

    std::vector<SceneSurfaceView*> surfaces_;
    std::unique_ptr<FrameLink> link_;
    // A replaced link may be the one whose callback is running: it is kept until the next one.
    std::unique_ptr<FrameLink> retiredLink_;
    SceneSurfaceView* linkSurface_ = nullptr;
    float linkFPS_ = 0;
    InFlightFrames inFlight_;
    std::optional<double> lastTick_;
    double tickInterval_ = 1.0 / 30;
    double lastMeasure_ = 0;
    ScreenPoint mouse_{-10000, -10000};
    double lastMouseRead_ = 0;
    std::vector<SceneSurfaceView*> batch_;
};

}  // namespace lumen::app
