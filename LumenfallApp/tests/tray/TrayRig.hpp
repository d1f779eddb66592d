#pragma once

#include "app/AppModel.hpp"
#include "app/UserDefaults.hpp"

#include <QTemporaryDir>

#include <memory>
#include <string>

namespace lumen::app::test {

// An application model with no desktop, no GPU and no D-Bus, its defaults file and autostart
// folder in a private temporary folder.
struct TrayRig {
    explicit TrayRig(bool onBattery = false);
    ~TrayRig();

    std::string autostartEntry() const;

    QTemporaryDir dir;
    std::unique_ptr<UserDefaults> defaults;
    std::unique_ptr<AppModel> model;
};

// First argument that makes the test program run as the tray child: a rig's model with its tray
// icon on whatever display and session bus the environment names, until killed (or 60 s). It
// prints "tray available: 0|1" once the icon is up.
inline constexpr const char* kTrayChildSwitch = "--tray-child";
int runTrayChild(int argc, char** argv);

}  // namespace lumen::app::test
