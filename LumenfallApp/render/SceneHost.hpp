#pragma once

#include "render/Image.hpp"
#include "scenekit/LumenScene.hpp"
#include "scenekit/SceneFrame.hpp"

#include "LumenKit/catalog/Place.hpp"
#include "LumenKit/catalog/SceneCatalog.hpp"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>

namespace date {
class time_zone;
}

namespace lumen::gpu {
class RenderEncoder;
}

namespace lumen::app {

class GpuContext;
class SceneSurfaceView;

// The token of one off-screen render: a fresh instance per still, whose address is the view's
// identity, so the scene's resources for a still never mix with a display's.
struct OffscreenID {};

// The one live scene of the process and everything all displays share: the animation clock, the
// sky, weather, options and flags of every frame, the cross-fade between scenes, and still renders.
class SceneHost {
public:
    static constexpr double crossfadeSeconds = 1.4;

    // `catalog` gives the fallback scene (its first entry). `previewHour` > 0 pins the sky's hour.
    SceneHost(GpuContext& gpu, SceneCatalog catalog, SceneInfo info, std::optional<float> previewHour = std::nullopt);
    ~SceneHost();

    // Switches to a catalog entry (see the class comment of each step in the .cpp). True when the
    // requested entry is now live; false after a fallback or with no scene at all.
    bool load(const SceneInfo& info, std::span<SceneSurfaceView* const> surfaces, bool crossfade);

    // The tick's frame: steps the clock (dt capped at 0.1 s, 0 below minStep), refreshes the sky at
    // most every 10 s, and calls the scene's update once.
    SceneFrame makeFrame(double now, double minStep, bool animate);
    // A frame for now with dt 0 and no stepping.
    SceneFrame currentFrame();
    void setPlace(std::optional<Place> place);

    // Draws the previous scene's snapshot fading out over the surface's new frame.
    void drawFade(gpu::RenderEncoder& encoder, SceneSurfaceView& surface, double now);
    // Opacity of the snapshot `elapsed` seconds into a cross-fade: 1 - t^2 (3 - 2t), t = elapsed / 1.4.
    static float fadeAlpha(double elapsed);

    // One still of `scene` (waits for the GPU). Reports the GPU time when asked. `sampleCount` is
    // that of the scene's class (its pipelines are made for it); 0 means the live scene's.
    // None when its textures cannot be made or the colour cannot be read back. The image's memory
    // is taken before drawing, so a still too large for the host throws std::bad_alloc before
    // the work rather than after it.
    std::optional<Image> renderOffscreen(LumenScene& scene, int width, int height, const SceneFrame& frame,
                                         int displayIndex = 0, double* gpuMilliseconds = nullptr,
                                         int sampleCount = 0);

    // Written directly by the application model.
    SceneOptionValues options;
    std::optional<WeatherState> weather;
    bool lowPower = false;
    bool reduceMotion = false;
    // The "featureMask" switch handed to every scene the host makes.
    int featureMask = 0;

    const SceneInfo& info() const { return info_; }
    LumenScene* scene() const { return scene_.get(); }
    int sampleCount() const { return sampleCount_; }
    double clock() const { return clock_; }
    const std::optional<double>& lastStep() const { return lastStep_; }
    // The driver clears it whenever nothing animates, so the first step after a pause is 0.
    void clearLastStep() { lastStep_.reset(); }
    const SkyState& sky() const { return sky_; }
    const std::optional<double>& fadeStart() const { return fadeStart_; }
    const std::optional<float>& hourOverride() const { return hourOverride_; }
    // Media time the sky was computed; 0 until the next frame recomputes it.
    double skyTime() const { return skyTime_; }
    const std::optional<Place>& place() const { return place_; }
    GpuContext& gpu() { return gpu_; }

    // What a scene made now is told of the world: the wall time, the sky's zone, the switches.
    SceneEnvironment environment() const;

    // Seams for tests and tools: the media clock (monotonic seconds), the wall clock and the time
    // zone used for the sky (null: the system's current zone).
    std::function<double()> mediaTime;
    std::function<std::chrono::system_clock::time_point()> wallTime;
    const date::time_zone* timeZone = nullptr;

private:
    void refreshSky();
    const date::time_zone* zone() const;
    SceneFrame frameAt(double now, double dt) const;
    void captureFadeSnapshots(std::span<SceneSurfaceView* const> surfaces);

    GpuContext& gpu_;
    SceneCatalog catalog_;
    SceneInfo info_;
    std::unique_ptr<LumenScene> scene_;
    int sampleCount_ = 4;
    double clock_ = 40.0;
    std::optional<double> lastStep_;
    std::optional<Place> place_;
    std::optional<float> hourOverride_;
    SkyState sky_;
    const date::time_zone* skyZone_ = nullptr;
    double skyTime_ = 0;
    std::optional<double> fadeStart_;
};

}  // namespace lumen::app
