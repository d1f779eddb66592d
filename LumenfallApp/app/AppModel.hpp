#pragma once

#include "app/DayChangeTimer.hpp"
#include "app/DisplayStatus.hpp"
#include "app/LaunchOverrides.hpp"
#include "app/LoginItem.hpp"
#include "services/PlaceService.hpp"
#include "services/PowerMonitor.hpp"
#include "services/ShellOcclusion.hpp"
#include "services/WeatherService.hpp"
#include "render/PerfSnapshot.hpp"
#include "ui/thumbnails/ThumbnailStore.hpp"

#include "LumenKit/catalog/LumenSettings.hpp"
#include "LumenKit/policy/PowerContext.hpp"
#include "LumenKit/policy/RenderPolicy.hpp"
#include "LumenKit/catalog/SceneCatalog.hpp"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace lumen::app {

class DesktopBackend;
class DisplaySleepInhibitors;
class FrameDriver;
class GpuContext;
class IdleScene;
class ReduceMotion;
class SceneHost;
class SceneSurfaceView;
class UserDefaults;
class WallpaperHost;

// What the model is built on. The application passes the real desktop and GPU; tests pass
// private ones.
struct AppEnvironment {
    UserDefaults* defaults = nullptr;  // required; outlives the model
    // The desktop; null when there is no display to draw on.
    std::unique_ptr<DesktopBackend> backend;
    // Opens the GPU context for the backend's display (null: no GPU); closes it again before
    // the backend goes.
    std::function<GpuContext*(DesktopBackend* backend)> openGpu;
    std::function<void()> closeGpu;
    PowerMonitorOptions power;
    // Where the login item lives and what it runs.
    std::string autostartDirectory;
    std::string program;
    // Follows the desktop's reduce-motion setting; off: never reduced (tests set it).
    bool followReduceMotion = true;
    // The weather and place services; their servers are taken from the defaults' "forecastHost"
    // and "placeLookupHost" when those are set.
    WeatherServiceOptions weather;
    PlaceServiceOptions places;
    // Whether the GPU draws in hardware; unset: judged from the device's renderer name.
    std::optional<bool> graphicsHardware;
};

// The one object that owns every long-lived part of the application and keeps them consistent
// with the settings and the machine's state. apply() recomputes everything (the live scene, its
// options and flags, each display's decision and status) and is run after every change that can
// alter the outcome. Main thread only.
class AppModel : public QObject {
    Q_OBJECT

public:
    AppModel(bool persist, AppEnvironment environment);
    ~AppModel() override;

    // Makes the windows, wires the callbacks and applies once.
    void start();
    void apply();
    // Closes the windows, stops the frame loop and writes the settings out (at quit).
    void stop();

    const LumenSettings& settings() const { return settings_; }
    // Runs the change handler: stored, then applied, when it differs.
    void setSettings(const LumenSettings& settings);
    void updateSettings(const std::function<void(LumenSettings&)>& change);

    void selectScene(const SceneInfo& info);
    // A later launch's "-scene <id>": selected as the user would select it when the catalog
    // offers it and it has not failed (a launch scene of this run gives way to it), else refused;
    // logged either way.
    void selectRequestedScene(const std::string& id);
    void togglePause();
    void setLoginItem(bool on);

    // The place: a typed one looked up (stored with useLocation off), the computer's own
    // (stored with useLocation on), or none. The look-ups answer later on the main thread with
    // the error's text, or none when the place was stored.
    using PlaceDone = std::function<void(const std::optional<std::string>& error)>;
    void lookUpPlace(const std::string& text, PlaceDone done);
    void useMyLocation(PlaceDone done);
    void clearPlace();

    std::string statusLine() const;
    bool batterySaverAutomatic() const;

    const PowerContext& power() const { return power_; }
    const std::vector<DisplayStatus>& statuses() const { return statuses_; }
    bool idleShowing() const { return idleShowing_; }
    bool loginItemOn() const { return loginItemOn_; }
    const std::optional<std::string>& loginMessage() const { return loginMessage_; }
    const SceneInfo& current() const { return current_; }
    const SceneCatalog& catalog() const { return catalog_; }
    bool gpuAvailable() const { return gpu_ != nullptr; }
    const std::set<std::string>& failedScenes() const { return failedScenes_; }
    const LaunchOverrides& overrides() const { return overrides_; }
    bool reduceMotion() const { return reduceMotion_; }
    // A software rasteriser draws: the displays keep still frames unless motion is asked for.
    bool softwareGpu() const { return softwareGpu_; }
    // How often such a still is drawn again, so the sky in it follows the day.
    static constexpr int softwareStillInterval = 10 * 60 * 1000;

    DesktopBackend* backend() const { return backend_.get(); }
    SceneHost* host() const { return host_.get(); }
    FrameDriver* driver() const { return driver_.get(); }
    WallpaperHost* wallpaper() const { return wallpaper_.get(); }
    IdleScene* idle() const { return idle_.get(); }
    PowerMonitor& powerMonitor() { return *powerMonitor_; }
    WeatherService& weather() { return *weather_; }
    PlaceService& places() { return *places_; }
    ShellOcclusion& shell() { return *shell_; }
    ThumbnailStore& thumbnails() { return *thumbnails_; }

    // Seams for tests: the wall clock for the daily pick, and a reduce-motion value to use
    // instead of the desktop's.
    std::function<std::chrono::system_clock::time_point()> now;
    void setReduceMotion(bool reduce);

signals:
    // Some observable state changed: settings, power, statuses, idle, login item, current scene.
    void changed();

private:
    // Why the catalog has no scene `id` to show: not a scene, not offered, not built in.
    static std::string whyNotOffered(const std::string& id);
    void measured(SceneSurfaceView& surface, double busyPercent);
    void writePerf();
    void applyDecisions(const SceneInfo& live);
    void updateStatuses();
    void applyIdle();
    bool idleAllowed() const;
    // Hands the host the weather its frames carry, and redraws paused displays' stills with it.
    void pushWeather();
    void redrawStills();
    // Stills of the displays held for want of graphics hardware, which stand for hours.
    void redrawSoftwareStills();
    RenderPolicy::Graphics graphics() const;

    UserDefaults& defaults_;
    bool persist_;
    std::unique_ptr<DesktopBackend> backend_;
    std::function<void()> closeGpu_;
    LumenSettings settings_;
    PowerContext power_;
    std::vector<DisplayStatus> statuses_;
    bool idleShowing_ = false;
    bool loginItemOn_ = false;
    std::optional<std::string> loginMessage_;
    SceneInfo current_;
    LoginItem loginItem_;
    SceneCatalog catalog_;
    GpuContext* gpu_ = nullptr;
    std::unique_ptr<PowerMonitor> powerMonitor_;
    std::unique_ptr<ReduceMotion> reduceMotionSource_;
    std::unique_ptr<WeatherService> weather_;
    std::unique_ptr<PlaceService> places_;
    std::unique_ptr<ThumbnailStore> thumbnails_;
    bool reduceMotion_ = false;
    LaunchOverrides overrides_;
    std::set<std::string> failedScenes_;
    std::unique_ptr<SceneHost> host_;
    std::unique_ptr<FrameDriver> driver_;
    std::unique_ptr<WallpaperHost> wallpaper_;
    std::unique_ptr<IdleScene> idle_;
    std::unique_ptr<DisplaySleepInhibitors> inhibitors_;
    std::unique_ptr<ShellOcclusion> shell_;
    std::unique_ptr<DayChangeTimer> dayChange_;
    QTimer perfTimer_;
    std::optional<PerfSnapshot> perf_;
    bool softwareGpu_ = false;
    QTimer softwareStillTimer_;
    bool started_ = false;
    bool stopped_ = false;
};

}  // namespace lumen::app
