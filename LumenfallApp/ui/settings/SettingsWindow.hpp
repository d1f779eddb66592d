#pragma once

#include "ui/settings/ScenesTab.hpp"

#include <QWidget>

#include <functional>
#include <optional>

class QTabWidget;

namespace lumen::app {

class AppModel;
class GeneralTab;
class IdleTab;
class PowerTab;
class UserDefaults;
class WeatherTab;

// The settings window: six tabs over the application model. Every control writes the model's
// settings at once (stored and applied, the wallpaper follows) and every tab re-reads the model
// when it changes. Made once and kept for the run; closing hides it. The open tab is stored as
// "settingsTab". Escape or Ctrl+W closes it, Ctrl+Tab moves between tabs. Main thread only.
class SettingsWindow : public QWidget {
    Q_OBJECT

public:
    // The tabs' identifiers, in order: scenes, general, weather, power, idle, about.
    static const std::vector<QString>& tabIds();

    // `checkForUpdates` null: no update button (the distribution updates the program).
    SettingsWindow(AppModel& model, UserDefaults& defaults, ScenesTab::Thumbnail thumbnail,
                   std::function<void()> checkForUpdates, QWidget* parent = nullptr);
    ~SettingsWindow() override;

    // Shows the window in front on `tab` (stored first), or on the stored tab.
    void open(const std::optional<QString>& tab = std::nullopt);
    // A thumbnail arrived: the scene cards ask again.
    void thumbnailsChanged();

    QTabWidget* tabs() const { return tabs_; }
    ScenesTab* scenes() const { return scenes_; }
    WeatherTab* weather() const { return weather_; }

private:
    void refresh();
    void showStoredTab();

    AppModel& model_;
    UserDefaults& defaults_;
    QTabWidget* tabs_;
    ScenesTab* scenes_;
    GeneralTab* general_;
    WeatherTab* weather_;
    PowerTab* power_;
    IdleTab* idle_;
};

}  // namespace lumen::app
