#include "AppModelRig.hpp"

#include "log/EventLog.hpp"
#include "platform/x11/X11Backend.hpp"
#include "scenekit/SceneClasses.hpp"
#include "scenekit/SceneError.hpp"

#include <unistd.h>

#include <algorithm>

namespace lumen::app::test {

namespace {

const QString kUPower = QStringLiteral("org.freedesktop.UPower");
const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");
const QString kProfiles = QStringLiteral("net.hadess.PowerProfiles");
const QString kSaver = QStringLiteral("org.freedesktop.ScreenSaver");

}  // namespace

void AppModelTest::SetUpTestSuite() {
    if (!lumen::test::dbusMockAvailable()) {
        reason = "dbus-daemon or python3-dbusmock is missing";
        return;
    }
    auto made = std::make_unique<Desktop>();
    made->server = lumen::test::XServer::start(reason, "640x240");
    if (!made->server) return;
    if (!made->server->run("xrandr --setmonitor LEFT 320/85x240/64+0+0 screen --setmonitor RIGHT 320/85x240/64+320+0 none")) {
        reason = "xrandr --setmonitor failed";
        return;
    }
    if (!made->system.ok() || !made->session.ok() ||
        !made->system.start(kUPower, {"--template", "upower", "-p", "{\"OnBattery\": false}"}) ||
        !made->system.start(kLogin, {"--template", "logind"}) ||
        !made->system.start(kProfiles, {"--template", "power_profiles_daemon"}) ||
        !made->session.start(kSaver, {"--session", kSaver, "/org/freedesktop/ScreenSaver", kSaver})) {
        reason = "the D-Bus mocks did not start";
        return;
    }
    made->system.mock(kLogin, kLoginPath, "AddSession", {"c7", "seat0", quint32(::getuid()), "someone", true});
    qputenv("XDG_SESSION_ID", "c7");
    registerGradientScene();
    const SceneClass* gradient = SceneClasses::find("DesktopTestGradient");
    for (const char* name : {"DeepReefScene", "NebulaScene"}) SceneClasses::add({name, 1, gradient->make});
    SceneClasses::add({"KoiPondScene", 1, [](const SceneContext&) -> std::unique_ptr<LumenScene> {
                           throw SceneException(SceneError::pipeline("koi stand-in"));
                       }});
    desktop = std::move(made);
}

void AppModelTest::TearDownTestSuite() {
    desktop.reset();
    for (const char* name : {"DeepReefScene", "NebulaScene", "KoiPondScene"}) SceneClasses::remove(name);
}

void AppModelTest::SetUp() {
    if (!desktop) GTEST_SKIP() << reason;
    if (!make()) GTEST_SKIP() << reason;
}

void AppModelTest::TearDown() {
    model.reset();
    EventLog::setObserver({});
    defaults.reset();
    gpu.reset();
    home.reset();
}

bool AppModelTest::make(const std::vector<std::string>& arguments, const std::optional<std::string>& stored) {
    TearDown();
    events.clear();
    EventLog::setObserver([this](const std::string& e) { events.push_back(e); });
    home = std::make_unique<QTemporaryDir>();
    const std::string config = home->filePath("Lumenfall.conf").toStdString();
    if (stored) {
        UserDefaults seed(config, {});
        seed.set("settings", *stored);
        seed.sync();
    }
    defaults = std::make_unique<UserDefaults>(config, arguments);

    AppEnvironment environment;
    environment.defaults = defaults.get();
    environment.backend = X11Backend::open(desktop->server->display().c_str(), &reason);
    if (!environment.backend) return false;
    environment.openGpu = [this](DesktopBackend* backend) -> GpuContext* {
        gpu = TestGpu::make({.eglPlatform = backend->eglPlatform(), .nativeDisplay = backend->nativeDisplay(),
                             .nativeVisual = backend->nativeVisual()},
                            reason);
        return gpu ? gpu->context.get() : nullptr;
    };
    environment.closeGpu = [this] { gpu.reset(); };
    environment.power.systemBus = desktop->system.connection();
    environment.power.sessionBus = desktop->session.connection();
    environment.autostartDirectory = home->filePath("autostart").toStdString();
    environment.program = "/usr/bin/lumenfall";
    environment.followReduceMotion = false;
    model = std::make_unique<AppModel>(true, std::move(environment));
    return model->gpuAvailable();
}

std::optional<std::string> AppModelTest::storedSettings() const {
    return UserDefaults(home->filePath("Lumenfall.conf").toStdString(), {}).string("settings");
}

bool AppModelTest::saw(const std::string& event) const {
    return std::find(events.begin(), events.end(), event) != events.end();
}

std::vector<std::string> AppModelTest::labels() const {
    std::vector<std::string> result;
    for (const auto& status : model->statuses()) result.push_back(status.label);
    return result;
}

void AppModelTest::setOnBattery(bool onBattery) {
    desktop->system.mock(kUPower, "/org/freedesktop/UPower", "UpdateProperties",
                         {kUPower, QVariantMap{{"OnBattery", onBattery}}});
}

void AppModelTest::setPowerSaver(bool on) {
    desktop->system.mock(kProfiles, "/net/hadess/PowerProfiles", "UpdateProperties",
                         {kProfiles, QVariantMap{{"ActiveProfile", QString(on ? "power-saver" : "balanced")}}});
}

void AppModelTest::setSleeping(bool sleeping) {
    desktop->system.mock(kLogin, kLoginPath, "EmitSignal",
                         {"org.freedesktop.login1.Manager", "PrepareForSleep", "b", QVariantList{sleeping}});
}

void AppModelTest::setLocked(bool locked) {
    desktop->system.mock(kLogin, "/org/freedesktop/login1/session/c7", "EmitSignal",
                         {"org.freedesktop.login1.Session", locked ? "Lock" : "Unlock", "", QVariantList{}});
}

void AppModelTest::setScreenSaver(bool active) {
    desktop->session.mock(kSaver, "/org/freedesktop/ScreenSaver", "EmitSignal",
                          {kSaver, "ActiveChanged", "b", QVariantList{active}});
}

}  // namespace lumen::app::test
