#pragma once

#include "support/TestScene.hpp"
#include "support/DBusMock.hpp"
#include "support/XServer.hpp"

#include "app/AppModel.hpp"
#include "app/UserDefaults.hpp"

#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

namespace lumen::app::test {

// The application model as the application makes it, on a private Xvfb with two monitors and
// private buses where UPower, logind (our session "c7"), power-profiles-daemon and the screen
// saver are mocked.
// Scene classes are cheap stand-ins: the model's choices are under test, not the rasteriser.
struct AppModelRig {
    // Null, with the reason, when Xvfb, D-Bus mocks or a GPU on the X display are missing.
    // `stored`: a settings text to find in the store; `arguments`: launch switches.
    static std::unique_ptr<AppModelRig> start(std::string& reason, const std::vector<std::string>& arguments = {},
                                              const std::optional<std::string>& stored = std::nullopt);
    ~AppModelRig();

    void setOnBattery(bool onBattery);
    void setProfile(const char* profile);
    void emitPrepareForSleep(bool sleeping);
    void setLocked(bool locked);
    void setScreenSaver(bool active);
    // The settings as the store holds them now (read through a fresh store).
    std::optional<std::string> storedSettings() const;

    std::vector<std::string> events;
    QTemporaryDir home;
    std::unique_ptr<lumen::test::XServer> server;
    std::unique_ptr<lumen::test::MockBus> system;
    std::unique_ptr<lumen::test::MockBus> session;
    std::unique_ptr<TestGpu> gpu;
    std::unique_ptr<UserDefaults> defaults;
    std::unique_ptr<AppModel> model;

    bool saw(const std::string& event) const;
};

}  // namespace lumen::app::test
