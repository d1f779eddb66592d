#include "ui/settings/SettingsOpener.hpp"

#include "ui/settings/SettingsWindow.hpp"

#include "app/UserDefaults.hpp"
#include "log/EventLog.hpp"

namespace lumen::app {

SettingsOpener::SettingsOpener(AppModel& model, UserDefaults& defaults, Hooks hooks)
    : model_(model), defaults_(defaults), hooks_(std::move(hooks)) {}

SettingsOpener::~SettingsOpener() = default;

void SettingsOpener::open(const std::optional<QString>& tab) {
    if (!window_) {
        window_ = std::make_unique<SettingsWindow>(model_, defaults_, hooks_.thumbnail, hooks_.checkForUpdates);
        if (hooks_.made) hooks_.made(*window_);
    }
    window_->open(tab);
    logEvent("settings window: opened");
}

bool SettingsOpener::welcomeOnFirstLaunch() {
    if (defaults_.boolValue("welcomed")) return false;
    defaults_.set("welcomed", "YES");
    logEvent("settings window: first launch");
    open();
    return true;
}

}  // namespace lumen::app
