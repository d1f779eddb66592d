#pragma once

#include "support/DBusMock.hpp"
#include "support/TestScene.hpp"
#include "support/XServer.hpp"

#include "app/AppModel.hpp"
#include "app/UserDefaults.hpp"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumen::app::test {

// The application model as the application makes it, on a private Xvfb with two 320x240 monitors
// and private buses where UPower, logind (our session "c7"), power-profiles-daemon and the screen
// saver are mocked. Server and buses serve a whole test suite; each test gets its own model,
// settings file and event log. Scene classes are cheap stand-ins: Deep Reef and Nebula draw the
// gradient and Koi Pond's class fails to build.
class AppModelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    // Skips the test without Xvfb, the D-Bus mocks or a GPU on the X display.
    void SetUp() override;
    void TearDown() override;

    // A new model from these launch switches and this settings text found in the store.
    bool make(const std::vector<std::string>& arguments = {}, const std::optional<std::string>& stored = std::nullopt);
    // The settings as the store holds them now (read through a fresh store).
    std::optional<std::string> storedSettings() const;
    bool saw(const std::string& event) const;
    std::vector<std::string> labels() const;

    static void setOnBattery(bool onBattery);
    static void setPowerSaver(bool on);
    static void setSleeping(bool sleeping);
    static void setLocked(bool locked);
    static void setScreenSaver(bool active);

    struct Desktop {
        std::unique_ptr<lumen::test::XServer> server;
        lumen::test::MockBus system;
        lumen::test::MockBus session;
    };
    static inline std::unique_ptr<Desktop> desktop;
    static inline std::string reason;
    std::vector<std::string> events;
    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<TestGpu> gpu;
    std::unique_ptr<UserDefaults> defaults;
    std::unique_ptr<AppModel> model;
};

}  // namespace lumen::app::test
