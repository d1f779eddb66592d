#include "app/AppModel.hpp"

#include "app/CommandLine.hpp"
#include "app/UserDefaults.hpp"
#include "desktop/DesktopSession.hpp"
#include "desktop/IdleScene.hpp"
#include "desktop/WallpaperHost.hpp"
#include "platform/DesktopBackend.hpp"
#include "services/DisplaySleepInhibitors.hpp"
#include "services/ReduceMotion.hpp"
#include "render/DisplayLink.hpp"
#include "render/FrameDriver.hpp"
#include "scenekit/GpuContext.hpp"
#include "scenekit/SceneClasses.hpp"
#include "render/SceneHost.hpp"
#include "render/SceneSurfaceView.hpp"

#include "log/EventLog.hpp"

#include "LumenKit/policy/AutoQuality.hpp"
#include "LumenKit/policy/RenderPolicy.hpp"
#include "LumenKit/sky/LocalZone.hpp"

#include <nlohmann/json.hpp>

#include <QPointer>

#include <algorithm>
#include <cstdio>

namespace lumen::app {

namespace {


LumenSettings storedSettings(UserDefaults& defaults) {
    const auto text = defaults.string("settings");
    if (!text) return {};
    if (!nlohmann::json::accept(*text)) {
        logEvent("settings: the stored settings are not readable; using the defaults");
        // The first save would replace them: the store keeps the file as it is first.
        defaults.markUnreadable();
        return {};
    }
    return LumenSettings::decode(*text).normalized();
}

const char* boolText(bool value) { return value ? "true" : "false"; }

// A server named in the defaults replaces the built-in one; one that cannot be is logged.
void readServer(const UserDefaults& defaults, const char* key, QUrl& server) {
    const auto text = defaults.string(key);
    if (!text) return;
    if (auto url = WeatherService::serverFromText(*text)) {
        server = *url;
    } else {
        logEvent(std::string(key) + " \"" + *text + "\" is not a server; using " + server.toString().toStdString());
    }
}

}  // namespace

AppModel::AppModel(bool persist, AppEnvironment environment)
    : defaults_(*environment.defaults),
      persist_(persist),
      backend_(std::move(environment.backend)),
      closeGpu_(std::move(environment.closeGpu)),
      current_(SceneCatalog{SceneRegistry::offered()}.fallback()),
      loginItem_(environment.autostartDirectory, environment.program) {
    now = [] { return std::chrono::system_clock::now(); };
    loginItemOn_ = loginItem_.enabled();

    if (environment.followReduceMotion) {
        reduceMotionSource_ = std::make_unique<ReduceMotion>();
        reduceMotion_ = reduceMotionSource_->enabled();
    }
    overrides_ = LaunchOverrides::read(defaults_);
    for (const auto& argument : defaults_.unknownArguments()) {
        logEvent("launch argument " + argument + " is not known; ignored");
    }

    if (persist_) settings_ = storedSettings(defaults_);

    readServer(defaults_, "forecastHost", environment.weather.server);
    readServer(defaults_, "placeLookupHost", environment.places.server);
    weather_ = std::make_unique<WeatherService>(std::move(environment.weather));
    places_ = std::make_unique<PlaceService>(std::move(environment.places));
    thumbnails_ = std::make_unique<ThumbnailStore>();

    if (backend_ && environment.openGpu) gpu_ = environment.openGpu(backend_.get());
    if (gpu_) {
        const gpu::DeviceInfo& info = gpu_->device().info();
        softwareGpu_ = !environment.graphicsHardware.value_or(!info.softwareRasterizer());
        if (softwareGpu_) {
            logEvent("graphics: " + info.renderer + " draws on the processor; the displays show still frames" +
                     (settings_.animateInSoftware || overrides_.animateInSoftware ? " unless asked to animate"
                                                                                   : ""));
        }
    }
    softwareStillTimer_.setInterval(softwareStillInterval);
    connect(&softwareStillTimer_, &QTimer::timeout, this, &AppModel::redrawSoftwareStills);

    PowerMonitorOptions power = std::move(environment.power);
    power.simulateBattery = power.simulateBattery || defaults_.boolValue("simulateBattery");
    if (backend_ && !power.displaysAsleepQuery) {
        power.displaysAsleepQuery = [backend = backend_.get()] { return backend->displaysAsleep(); };
    }
    DisplaySleepInhibitorsOptions inhibitorOptions;
    inhibitorOptions.systemBus = power.systemBus;
    inhibitorOptions.sessionBus = power.sessionBus;
    inhibitors_ = std::make_unique<DisplaySleepInhibitors>(std::move(inhibitorOptions));
    shell_ = std::make_unique<ShellOcclusion>(power.sessionBus);
    powerMonitor_ = std::make_unique<PowerMonitor>(std::move(power));
    power_ = powerMonitor_->context();

    const auto missing = scenesWithoutClass(SceneRegistry::all());
    for (const auto& info : missing) {
        logEvent("scene " + info.id.text() + " has no class " + info.className + "; not offered");
    }
    for (const auto& info : SceneRegistry::offered()) {
        const bool lacking = std::any_of(missing.begin(), missing.end(), [&](const SceneInfo& m) { return m.id == info.id; });
        if (!lacking) catalog_.scenes.push_back(info);
    }
    // A launch scene that cannot show is dropped once, saying what shows instead.
    if (overrides_.scene && !catalog_.scene(*overrides_.scene)) {
        const std::string id = overrides_.scene->text();
        const std::string why = whyNotOffered(id);
        const std::string instead =
            catalog_.scenes.empty()
                ? "nothing"
                : catalog_.resolve(settings_.scene, settings_.shuffleDaily, now(), localZone()).id.text();
        logEvent("launch scene \"" + id + "\" " + why + "; showing " + instead + " instead");
        overrides_.scene.reset();
    }

    if (gpu_ && !catalog_.scenes.empty()) {
        std::optional<float> previewHour;
        if (auto hour = defaults_.number("previewHour"); hour && *hour > 0) previewHour = static_cast<float>(*hour);
        host_ = std::make_unique<SceneHost>(*gpu_, catalog_, catalog_.fallback(), previewHour);
        host_->featureMask = cli::featureMask(defaults_.string("featureMask"));
        driver_ = std::make_unique<FrameDriver>(*host_);
        driver_->pointerLocation = pointerSource(*backend_);
        thumbnails_->setHost(host_.get());
    }
    weather_->setPlace(settings_.place);
}

AppModel::~AppModel() {
    stop();
    // Windows before the frame loop, the scene before its GPU context, the context before the
    // display it was made on.
    idle_.reset();
    wallpaper_.reset();
    driver_.reset();
    thumbnails_->setHost(nullptr);
    host_.reset();
    if (gpu_ && closeGpu_) closeGpu_();
    gpu_ = nullptr;
    backend_.reset();
}

void AppModel::start() {
    if (started_) return;
    started_ = true;
    if (!driver_) {
        logEvent("OpenGL is not available; nothing to draw");
        return;
    }
    QPointer<AppModel> self(this);
    wallpaper_ = std::make_unique<WallpaperHost>(*backend_, *driver_, &gpu_->device());
    wallpaper_->onlyMainDisplay = [this] { return defaults_.boolValue("onlyMainDisplay"); };
    wallpaper_->onChange = [self] {
        if (self) self->apply();
    };

    idle_ = std::make_unique<IdleScene>(*backend_, *driver_, &gpu_->device());
    idle_->allowed = [self] { return self && self->idleAllowed(); };
    idle_->displaySleepPrevented = [self] { return self && self->inhibitors_->inForce(); };
    idle_->onShowingChanged = [self](bool showing) {
        if (!self) return;
        if (showing != self->idleShowing_) {
            self->idleShowing_ = showing;
            emit self->changed();
        }
        self->apply();
    };

    powerMonitor_->onChange = [self](const PowerContext& context) {
        if (!self) return;
        const bool woke = self->power_.systemSleeping && !context.systemSleeping;
        if (context != self->power_) {
            self->power_ = context;
            emit self->changed();
        }
        self->apply();
        // The still from before the sleep shows another time of day.
        if (woke) self->redrawSoftwareStills();
    };
    shell_->onChange = [self] {
        if (self) self->apply();
    };
    weather_->onChange = [self] {
        if (!self) return;
        self->pushWeather();
        emit self->changed();
    };
    driver_->onMeasure = [self](SceneSurfaceView& surface, double busy) {
        if (self) self->measured(surface, busy);
    };
    if (reduceMotionSource_) {
        reduceMotionSource_->onChange = [self] {
            if (self) self->setReduceMotion(self->reduceMotionSource_->enabled());
        };
    }
    dayChange_ = std::make_unique<DayChangeTimer>([self] {
        if (self) self->apply();
    });

    wallpaper_->rebuild();
    apply();
    // The others are rendered when a view first asks for them.
    thumbnails_->loadShipped(catalog_.scenes);

    if (perfLogEnabled()) {
        perf_.emplace();
        perfTimer_.setInterval(10'000);
        connect(&perfTimer_, &QTimer::timeout, this, &AppModel::writePerf);
        perfTimer_.start();
    }

    logEvent("started: " + std::to_string(backend_->screens().size()) + " display(s), scene " + current_.id.text() +
             ", battery " + boolText(power_.onBattery) + ", lowPower " + boolText(power_.lowPowerMode) + ", thermal " +
             std::string(ThermalLevelInfo::name(power_.thermal)));
}

void AppModel::stop() {
    if (stopped_) return;
    stopped_ = true;
    perfTimer_.stop();
    softwareStillTimer_.stop();
    weather_->setActive(false);
    if (idle_) idle_->dismiss();
    if (wallpaper_) wallpaper_->removeAll();
    if (driver_) driver_->stop();
    defaults_.sync();
}

void AppModel::setSettings(const LumenSettings& settings) {
    if (settings == settings_) return;
    const bool placeChanged = settings.place != settings_.place;
    settings_ = settings;
    if (persist_) {
        if (auto encoded = settings_.encode()) defaults_.set("settings", *encoded);
    }
    if (placeChanged) weather_->setPlace(settings_.place);
    emit changed();
    apply();
    if (placeChanged) redrawStills();
    else redrawSoftwareStills();
}

void AppModel::updateSettings(const std::function<void(LumenSettings&)>& change) {
    LumenSettings copy = settings_;
    change(copy);
    setSettings(copy);
}

void AppModel::selectScene(const SceneInfo& info) {
    // The user's own choice ends a scene asked for at launch; otherwise the menu could not switch.
    const bool launchScene = overrides_.scene.has_value();
    overrides_.scene.reset();
    updateSettings([](LumenSettings& s) { s.shuffleDaily = false; });
    updateSettings([&](LumenSettings& s) { s.scene = info.id; });
    if (launchScene) apply();
}

void AppModel::selectRequestedScene(const std::string& id) {
    const auto info = catalog_.scene(SceneID{id});
    if (!info || failedScenes_.contains(id)) {
        const std::string why = info ? "failed before" : whyNotOffered(id);
        logEvent("another launch asked for scene \"" + id + "\", which " + why + "; still showing " +
                 current_.id.text());
        return;
    }
    logEvent("another launch asked for scene " + id);
    selectScene(*info);
}

std::string AppModel::whyNotOffered(const std::string& id) {
    const auto known = cli::findScene(id);
    return !known                                ? "is not a scene"
           : SceneClasses::find(known->className) ? "is not offered"
                                                  : "is not built into this program";
}

void AppModel::togglePause() {
    updateSettings([](LumenSettings& s) { s.userPaused = !s.userPaused; });
}

void AppModel::setLoginItem(bool on) {
    loginMessage_ = loginItem_.setEnabled(on);
    loginItemOn_ = loginItem_.enabled();
    if (loginMessage_) logEvent("login item: " + *loginMessage_);
    emit changed();
}

void AppModel::lookUpPlace(const std::string& text, PlaceDone done) {
    QPointer<AppModel> self(this);
    places_->lookUp(text, [self, done = std::move(done)](const PlaceResult& result) {
        if (!self) return;
        if (const auto* error = std::get_if<PlaceError>(&result)) {
            if (done) done(error->text());
            return;
        }
        self->updateSettings([](LumenSettings& s) { s.useLocation = false; });
        self->updateSettings([&](LumenSettings& s) { s.place = std::get<Place>(result); });
        if (done) done(std::nullopt);
    });
}

void AppModel::useMyLocation(PlaceDone done) {
    QPointer<AppModel> self(this);
    places_->currentPlace([self, done = std::move(done)](const PlaceResult& result) {
        if (!self) return;
        if (const auto* error = std::get_if<PlaceError>(&result)) {
            self->updateSettings([](LumenSettings& s) { s.useLocation = false; });
            if (done) done(error->text());
            return;
        }
        self->updateSettings([&](LumenSettings& s) { s.place = std::get<Place>(result); });
        self->updateSettings([](LumenSettings& s) { s.useLocation = true; });
        if (done) done(std::nullopt);
    });
}

void AppModel::clearPlace() {
    updateSettings([](LumenSettings& s) { s.place.reset(); });
    updateSettings([](LumenSettings& s) { s.useLocation = false; });
}

void AppModel::pushWeather() {
    if (!host_) return;
    std::optional<WeatherState> weather = overrides_.weather ? overrides_.weather : weather_->current();
    if (weather == host_->weather) return;
    host_->weather = std::move(weather);
    redrawStills();
}

void AppModel::redrawStills() {
    if (!wallpaper_ || stopped_) return;
    // Animating displays take the change with their next frame; paused ones show a still.
    for (auto* window : wallpaper_->orderedWindows()) {
        if (!window->surface().decision().isRender()) window->surface().requestStill();
    }
}

void AppModel::redrawSoftwareStills() {
    if (!wallpaper_ || stopped_) return;
    for (auto* window : wallpaper_->orderedWindows()) {
        if (window->surface().decision().reason() == PauseReason::noGraphicsHardware) window->surface().requestStill();
    }
}

RenderPolicy::Graphics AppModel::graphics() const {
    using enum RenderPolicy::Graphics;
    if (!softwareGpu_) return hardware;
    return settings_.animateInSoftware || overrides_.animateInSoftware ? softwareAnimated : softwareStill;
}

void AppModel::setReduceMotion(bool reduce) {
    if (reduce == reduceMotion_) return;
    reduceMotion_ = reduce;
    apply();
}

void AppModel::apply() {
    if (!host_ || !driver_ || !wallpaper_ || stopped_) return;

    // The scene: the override, else the settings' (or today's) choice, never one that failed.
    SceneInfo chosen;
    if (auto overridden = overrides_.scene ? catalog_.scene(*overrides_.scene) : std::nullopt) {
        chosen = *overridden;
    } else {
        chosen = catalog_.resolve(settings_.scene, settings_.shuffleDaily, now(), localZone());
    }
    if (failedScenes_.contains(chosen.id.text())) chosen = catalog_.fallback();

    const bool loading = !host_->scene() || host_->info().id != chosen.id;
    if (loading) {
        const auto& surfaces = driver_->surfaces();
        const bool anyRendering = std::any_of(surfaces.begin(), surfaces.end(),
                                              [](const SceneSurfaceView* s) { return s->decision().isRender(); });
        const bool crossfade = host_->scene() != nullptr && anyRendering && !reduceMotion_;
        if (!host_->load(chosen, surfaces, crossfade)) failedScenes_.insert(chosen.id.text());
        for (auto* surface : surfaces) surface->dropAutoQuality();
        logEvent("scene: " + host_->info().id.text());
    }
    const SceneInfo& live = host_->info();
    if (!(current_ == live)) {
        current_ = live;
        emit changed();
    }

    SceneOptionValues options;
    for (const auto& [key, value] : settings_.optionValues(live)) options.values[key] = value;
    for (const auto& [key, value] : overrides_.options) {
        const std::string piece = key + "=" + value;
        const auto checked = cli::sceneOptions(live, std::span(&piece, 1));
        if (checked.error.empty()) {
            options.values[key] = value;
        } else if (loading) {
            // Once per scene shown: the launch options are checked against each scene anew.
            const auto kept = options.values.find(key);
            logEvent("launch option " + piece + ": " + checked.error + "; " +
                     (kept == options.values.end() ? std::string("ignored") : key + " stays " + kept->second));
        }
    }
    host_->options = options;
    host_->lowPower = power_.onBattery || power_.lowPowerMode || power_.thermal == ThermalLevel::serious ||
                      power_.thermal == ThermalLevel::critical;
    host_->reduceMotion = reduceMotion_;
    host_->setPlace(settings_.place);
    // Live weather only while a scene that shows it is on screen and no fixed weather is asked for.
    weather_->setActive(live.usesWeather && !overrides_.weather);
    pushWeather();

    applyDecisions(live);
    applyIdle();
    updateStatuses();
}

bool AppModel::idleAllowed() const {
    return !settings_.userPaused && !power_.screenLocked && !power_.displaysAsleep && !power_.screensaverRunning &&
           !power_.systemSleeping;
}

void AppModel::applyIdle() {
    if (!idle_) return;
    idle_->enabled = settings_.idleSceneEnabled;
    idle_->minutes = settings_.idleMinutes;
    if (!idle_->enabled) idle_->dismiss();
    // Restarted only when its period changes, so frequent applies cannot starve the check.
    const double interval = idleShowing_ ? IdleScene::showingInterval : IdleScene::waitingInterval;
    const bool wanted = idle_->enabled || idle_->showing();
    if (idle_->checkInterval() != (wanted ? std::optional<double>(interval) : std::nullopt)) idle_->schedule(interval);

    if (!idleShowing_) return;
    // The idle displays animate as a main display would, at full resolution.
    RenderDecision decision = RenderPolicy::decide(power_, false, settings_, false, false, 1.0f, graphics());
    if (decision.isRender() && !softwareGpu_) decision = RenderDecision::render(decision.fps(), 1.0f);
    for (const auto& window : idle_->windows()) window->surface().apply(decision);
}

void AppModel::applyDecisions(const SceneInfo& live) {
    const auto& screens = backend_->screens();
    const bool haveMain = !screens.empty();
    const std::uint32_t mainDisplay = haveMain ? screens.front().id : 0;
    bool animating = false;
    bool softwareStill = false;
    const auto& shell = shell_->state();
    for (auto* window : wallpaper_->orderedWindows()) {
        SceneSurfaceView& surface = window->surface();
        surface.setParallaxEnabled(settings_.parallax && !reduceMotion_);
        surface.setPointerReacts(settings_.pointerReacts && !reduceMotion_);
        const auto& autoQuality = surface.autoQuality();
        if (!autoQuality || autoQuality->pixels() != surface.nativePixelCount()) {
            surface.startAutoQuality(settings_.fpsCap, live.cost);
        }
        // GNOME Shell's extension sees what X11 cannot (Wayland windows, the overview); without it
        // the backend's own rule holds.
        const auto screen = std::find_if(screens.begin(), screens.end(),
                                         [&](const Screen& s) { return s.id == window->displayID(); });
        const bool hidden = shell && screen != screens.end() ? shell->hides(screen->frame) : !window->visible();
        const bool covered = hidden || idleShowing_ || overrides_.simulateCovered;
        const bool secondary = !haveMain || window->displayID() != mainDisplay;
        const float autoScale = autoQuality ? autoQuality->scale() : 1.0f;
        surface.apply(
            RenderPolicy::decide(power_, covered, settings_, secondary, live.isHeavy(), autoScale, graphics()));
        animating = animating || surface.decision().isRender();
        softwareStill = softwareStill || surface.decision().reason() == PauseReason::noGraphicsHardware;
    }
    if (idleShowing_) {
        animating = animating ||
                    RenderPolicy::decide(power_, false, settings_, false, false, 1.0f, graphics()).isRender();
    }
    powerMonitor_->setAnimating(animating);
    // One wake-up every ten minutes while a still stands for want of graphics hardware, none otherwise.
    if (!softwareStill) {
        softwareStillTimer_.stop();
    } else if (!softwareStillTimer_.isActive()) {
        softwareStillTimer_.start();
    }
}

void AppModel::updateStatuses() {
    const auto& screens = backend_->screens();
    std::vector<DisplayStatus> statuses;
    for (const auto* window : wallpaper_->orderedWindows()) {
        DisplayStatus status;
        status.id = window->displayID();
        status.name = "Display";
        auto screen = std::find_if(screens.begin(), screens.end(), [&](const Screen& s) { return s.id == status.id; });
        if (screen != screens.end()) {
            if (!screen->name.empty()) status.name = screen->name;
            status.pixels = std::to_string(screen->frame.width) + "×" + std::to_string(screen->frame.height);
        }
        status.label = window->surface().decision().statusText();
        statuses.push_back(std::move(status));
    }
    if (statuses != statuses_) {
        statuses_ = std::move(statuses);
        emit changed();
    }
}

void AppModel::measured(SceneSurfaceView& surface, double busyPercent) {
    const auto& autoQuality = surface.autoQuality();
    if (settings_.quality != Quality::automatic || !autoQuality || autoQuality->scale() != 1.0f) return;
    const float scale = surface.updateAutoQuality(busyPercent, DisplayLink::now());
    if (scale == 1.0f) return;
    char text[96];
    std::snprintf(text, sizeof text, "auto quality: display %d at %.1f%% GPU → half resolution",
                  surface.displayIndex(), busyPercent);
    logEvent(text);
    apply();
}

void AppModel::writePerf() {
    if (!perf_ || !driver_ || !wallpaper_) return;
    std::vector<PerfDisplay> displays;
    for (auto* window : wallpaper_->orderedWindows()) {
        displays.push_back({window->displayID(), &window->surface(), !window->visible()});
    }
    perf_->fire(driver_.get(), std::span<const PerfDisplay>(displays), current_.id.text(), power_.thermal);
}

std::string AppModel::statusLine() const {
    if (!gpu_) return "OpenGL 4.3 isn’t available on this computer";
    if (idleShowing_) return "Idle scene showing";
    if (statuses_.empty()) return current_.title;
    const bool same = std::all_of(statuses_.begin(), statuses_.end(),
                                  [&](const DisplayStatus& s) { return s.label == statuses_.front().label; });
    std::string line = current_.title;
    if (same) return line + " · " + statuses_.front().label;
    for (const auto& status : statuses_) line += " · " + status.name + ": " + status.label;
    return line;
}

bool AppModel::batterySaverAutomatic() const {
    return !settings_.batterySaver && settings_.batterySaverOnBattery && (power_.onBattery || power_.lowPowerMode);
}

}  // namespace lumen::app
