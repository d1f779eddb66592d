#pragma once

#include "ui/settings/SettingsPage.hpp"

#include <functional>

namespace lumen::app {

// Name, version, what the program is, and the credits its data sources ask for. `forecastHost`
// is the weather server's host name; `checkForUpdates` null leaves the button out (builds whose
// updates come from the distribution).
class AboutTab : public SettingsPage {
public:
    AboutTab(const QString& forecastHost, std::function<void()> checkForUpdates, QWidget* parent = nullptr);

    // "Version 1.2 (34)".
    static QString versionText(const QString& version, const QString& build);
};

}  // namespace lumen::app
