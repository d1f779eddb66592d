#include "AppModelRig.hpp"

#include "log/EventLog.hpp"
#include "platform/x11/X11Backend.hpp"
#include "scenekit/SceneClasses.hpp"
#include "scenekit/SceneError.hpp"

#include <QDBusConnection>

#include <unistd.h>

#include <algorithm>

namespace lumen::app::test {

namespace {

const QString kUPower = QStringLiteral("org.freedesktop.UPower");
const QString kUPowerPath = QStringLiteral("/org/freedesktop/UPower");
const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");
const QString kSessionPath = QStringLiteral("/org/freedesktop/login1/session/c7");
const QString kProfiles = QStringLiteral("net.hadess.PowerProfiles");
const QString kSaver = QStringLiteral("org.freedesktop.ScreenSaver");

// Deep Reef and Nebula drawn by the gradient; Koi Pond's class fails to build.
void registerStandInClasses() {
    registerGradientScene();
    const SceneClass* gradient = SceneClasses::find("DesktopTestGradient");
    for (const char* name : {"DeepReefScene", "NebulaScene"}) SceneClasses::add({name, 1, gradient->make});
    SceneClasses::add({"KoiPondScene", 1, [](const SceneContext&) -> std::unique_ptr<LumenScene> {
                           throw SceneException(SceneError::pipeline("koi stand-in"));
                       }});
}

}  // namespace

std::unique_ptr<AppModelRig> AppModelRig::start(std::string& reason, const std::vector<std::string>& arguments,
                                                const std::optional<std::string>& stored) {
    if (!lumen::test::dbusMockAvailable()) {
        reason = "dbus-daemon or python3-dbusmock is missing";
        return nullptr;
    }
    auto rig = std::make_unique<AppModelRig>();
    EventLog::setObserver([rig = rig.get()](const std::string& e) { rig->events.push_back(e); });
    rig->server = lumen::test::XServer::start(reason, "640x240");
    if (!rig->server) return nullptr;
    for (const char* monitor : {"LEFT 320/85x240/64+0+0 screen", "RIGHT 320/85x240/64+320+0 none"}) {
        if (!rig->server->run(std::string("xrandr --setmonitor ") + monitor)) {
            reason = "xrandr --setmonitor failed";
            return nullptr;
        }
    }
    rig->system = std::make_unique<lumen::test::MockBus>();
    rig->session = std::make_unique<lumen::test::MockBus>();
    if (!rig->system->ok() || !rig->session->ok()) {
        reason = "no private bus";
        return nullptr;
    }
    qputenv("XDG_SESSION_ID", "c7");
    if (!rig->system->start(kUPower, {"--template", "upower", "-p", "{\"OnBattery\": false}"}) ||
        !rig->system->start(kLogin, {"--template", "logind"}) ||
        !rig->system->start(kProfiles, {"--template", "power_profiles_daemon"}) ||
        !rig->session->start(kSaver, {"--session", kSaver, "/org/freedesktop/ScreenSaver", kSaver})) {
        reason = "the D-Bus mocks did not start";
        return nullptr;
    }
    rig->system->mock(kLogin, kLoginPath, "AddSession", {"c7", "seat0", quint32(::getuid()), "someone", true});

    auto backend = X11Backend::open(rig->server->display().c_str(), &reason);
    if (!backend) return nullptr;
    registerStandInClasses();

    const std::string config = rig->home.filePath("Lumenfall.conf").toStdString();
    if (stored) {
        UserDefaults seed(config, {});
        seed.set("settings", *stored);
        seed.sync();
    }
    rig->defaults = std::make_unique<UserDefaults>(config, arguments);

    AppEnvironment environment;
    environment.defaults = rig->defaults.get();
    environment.backend = std::move(backend);
    auto* self = rig.get();
    environment.openGpu = [self, &reason](DesktopBackend* desktop) -> GpuContext* {
        self->gpu = TestGpu::make({.eglPlatform = desktop->eglPlatform(), .nativeDisplay = desktop->nativeDisplay(),
                                   .nativeVisual = desktop->nativeVisual()},
                                  reason);
        return self->gpu ? self->gpu->context.get() : nullptr;
    };
    environment.closeGpu = [self] { self->gpu.reset(); };
    environment.power.systemBus = rig->system->connection();
    environment.power.sessionBus = rig->session->connection();
    environment.autostartDirectory = rig->home.filePath("autostart").toStdString();
    environment.program = "/usr/bin/lumenfall";
    environment.followReduceMotion = false;
    rig->model = std::make_unique<AppModel>(true, std::move(environment));
    if (!rig->model->gpuAvailable()) return nullptr;
    return rig;
}

AppModelRig::~AppModelRig() {
    model.reset();
    EventLog::setObserver({});
    session.reset();
    system.reset();
    server.reset();
    for (const char* name : {"DeepReefScene", "NebulaScene", "KoiPondScene"}) SceneClasses::remove(name);
}

void AppModelRig::setOnBattery(bool onBattery) {
    system->mock(kUPower, kUPowerPath, "UpdateProperties", {kUPower, QVariantMap{{"OnBattery", onBattery}}});
}

void AppModelRig::setProfile(const char* profile) {
    system->mock(kProfiles, "/net/hadess/PowerProfiles", "UpdateProperties",
                 {kProfiles, QVariantMap{{"ActiveProfile", QString(profile)}}});
}

void AppModelRig::emitPrepareForSleep(bool sleeping) {
    system->mock(kLogin, kLoginPath, "EmitSignal",
                 {"org.freedesktop.login1.Manager", "PrepareForSleep", "b", QVariantList{sleeping}});
}

void AppModelRig::setLocked(bool locked) {
    system->mock(kLogin, kSessionPath, "EmitSignal",
                 {"org.freedesktop.login1.Session", locked ? "Lock" : "Unlock", "", QVariantList{}});
}

void AppModelRig::setScreenSaver(bool active) {
    session->mock(kSaver, "/org/freedesktop/ScreenSaver", "EmitSignal", {kSaver, "ActiveChanged", "b", QVariantList{active}});
}

std::optional<std::string> AppModelRig::storedSettings() const {
    UserDefaults fresh(home.filePath("Lumenfall.conf").toStdString(), {});
    return fresh.string("settings");
}

bool AppModelRig::saw(const std::string& event) const {
    return std::find(events.begin(), events.end(), event) != events.end();
}

}  // namespace lumen::app::test
