#pragma once

// The application model as the application makes it, on a private desktop: shared by the model's
// tests and the settings window's.
#include "support/DBusMock.hpp"
#include "support/TestScene.hpp"

#include "app/AppModel.hpp"
#include "app/UserDefaults.hpp"
#include "log/EventLog.hpp"
#include "platform/x11/X11Backend.hpp"
#include "scenekit/SceneClasses.hpp"
#include "scenekit/SceneError.hpp"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumen::app::test {

using Labels = std::vector<std::string>;

inline const QString kUPower = "org.freedesktop.UPower", kProfiles = "net.hadess.PowerProfiles",
              kLogin = "org.freedesktop.login1", kLoginPath = "/org/freedesktop/login1",
              kSaver = "org.freedesktop.ScreenSaver", kSaverPath = "/org/freedesktop/ScreenSaver";

// The application model as the application makes it, on a private Xvfb with two 320x240 monitors
// and private buses where UPower, logind (our session "c7"), power-profiles-daemon and the screen
// saver are mocked, all shared by the suite; each test gets its own model, settings and event log.
// Scene classes are cheap stand-ins: Deep Reef and Nebula draw the gradient, Koi Pond's fails.
class AppModelRig : public ::testing::Test {
protected:
    struct Desktop {
        std::unique_ptr<lumen::test::XServer> server;
        lumen::test::MockBus system, session;
    };

    static void SetUpTestSuite() {
        if (!lumen::test::dbusMockAvailable()) return;
        auto made = std::make_unique<Desktop>();
        made->server = lumen::test::XServer::start(reason, "640x240");
        if (!made->server ||
            !made->server->run("xrandr --setmonitor LEFT 320/85x240/64+0+0 screen "
                               "--setmonitor RIGHT 320/85x240/64+320+0 none") ||
            !made->system.start(kUPower, {"--template", "upower", "-p", "{\"OnBattery\": false}"}) ||
            !made->system.start(kLogin, {"--template", "logind"}) ||
            !made->system.start(kProfiles, {"--template", "power_profiles_daemon"}) ||
            !made->session.start(kSaver, {"--session", kSaver, kSaverPath, kSaver})) {
            return;
        }
        made->system.mock(kLogin, kLoginPath, "AddSession", {"c7", "seat0", quint32(::getuid()), "someone", true});
        qputenv("XDG_SESSION_ID", "c7");
        lumen::app::test::registerGradientScene();
        const SceneClass* gradient = SceneClasses::find("DesktopTestGradient");
        for (const char* name : {"DeepReefScene", "NebulaScene"}) SceneClasses::add({name, 1, gradient->make});
        SceneClasses::add({"KoiPondScene", 1, [](const SceneContext&) -> std::unique_ptr<LumenScene> {
                               throw SceneException(SceneError::pipeline("koi stand-in"));
                           }});
        desktop = std::move(made);
    }
    static void TearDownTestSuite() {
        desktop.reset();
        for (const char* name : {"DeepReefScene", "NebulaScene", "KoiPondScene"}) SceneClasses::remove(name);
    }
    void SetUp() override {
        // Thumbnails and weather write their caches here, never into the user's.
        qputenv("XDG_CACHE_HOME", caches.path().toUtf8());
        if (!desktop || !make()) GTEST_SKIP() << "no Xvfb, D-Bus mocks or GPU: " << reason;
    }
    void TearDown() override {
        close();
        SceneClasses::remove("AlpineLakeScene");  // offered only while the weather test runs
    }
    void close() {
        model.reset();
        EventLog::setObserver({});
    }

    // A new model from these launch switches, with this settings text already in the store.
    bool make(const std::vector<std::string>& arguments = {}, const std::optional<std::string>& stored = {}) {
        close();
        events.clear();
        EventLog::setObserver([this](const std::string& e) { events.push_back(e); });
        home = std::make_unique<QTemporaryDir>();
        if (stored) UserDefaults(settingsFile(), {}).set("settings", *stored);
        defaults = std::make_unique<UserDefaults>(settingsFile(), arguments);
        AppEnvironment environment;
        environment.defaults = defaults.get();
        environment.backend = X11Backend::open(desktop->server->display().c_str(), &reason);
        environment.openGpu = [this](DesktopBackend* backend) -> GpuContext* {
            gpu = lumen::app::test::TestGpu::make({.eglPlatform = backend->eglPlatform(),
                                                   .nativeDisplay = backend->nativeDisplay(),
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
        environment.graphicsHardware = graphicsHardware;
        model = std::make_unique<AppModel>(true, std::move(environment));
        return model->gpuAvailable();
    }

    std::string settingsFile() const { return home->filePath("Lumenfall.conf").toStdString(); }
    bool saw(const std::string& event) const { return std::find(events.begin(), events.end(), event) != events.end(); }
    long count(const std::string& start) const {
        return std::count_if(events.begin(), events.end(), [&](const std::string& e) { return e.starts_with(start); });
    }
    Labels labels() const {
        Labels result;
        for (const auto& status : model->statuses()) result.push_back(status.label);
        return result;
    }

    static inline std::unique_ptr<Desktop> desktop;
    static inline QTemporaryDir caches;
    static inline std::string reason = "dbus-daemon or python3-dbusmock is missing";
    std::vector<std::string> events;
    // llvmpipe counts as graphics hardware here unless a test asks for the real judgement.
    std::optional<bool> graphicsHardware = true;
    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<lumen::app::test::TestGpu> gpu;
    std::unique_ptr<UserDefaults> defaults;
    std::unique_ptr<AppModel> model;
};

}  // namespace lumen::app::test
