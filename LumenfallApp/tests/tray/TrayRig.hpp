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

}  // namespace lumen::app::test
