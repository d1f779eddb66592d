#pragma once

#include "ui/settings/ScenesTab.hpp"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace lumen::app {

class AppModel;
class SettingsWindow;
class UserDefaults;

// Brings up the one settings window of the run: made on first use, then shown again where it
// was left. Main thread only.
class SettingsOpener {
public:
    struct Hooks {
        ScenesTab::Thumbnail thumbnail;
        std::function<void()> checkForUpdates;  // null: no update button
        // Called once with the new window (the tray hands it its shortcuts).
        std::function<void(QWidget&)> made;
    };

    SettingsOpener(AppModel& model, UserDefaults& defaults, Hooks hooks);
    ~SettingsOpener();

    // Shows the window on `tab`, or on the tab stored as "settingsTab".
    void open(const std::optional<QString>& tab = std::nullopt);
    // The first launch ("welcomed" unset): sets "welcomed" and opens the window. Later launches
    // do nothing. Returns whether it opened.
    bool welcomeOnFirstLaunch();

    // Null until first opened.
    SettingsWindow* window() const { return window_.get(); }

private:
    AppModel& model_;
    UserDefaults& defaults_;
    Hooks hooks_;
    std::unique_ptr<SettingsWindow> window_;
};

}  // namespace lumen::app
