#pragma once

#include "LumenKit/catalog/SceneCatalog.hpp"

#include <QImage>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QMenu;
class QWidget;

namespace lumen::app {

class AppModel;

// What the menu reaches beyond the model. A null hook leaves its item out ("Check for Updates…"
// in builds the distribution updates) or disabled ("Settings…" without a window).
struct TrayMenuHooks {
    std::function<void()> openSettings;
    std::function<void()> checkForUpdates;
    // A scene's small thumbnail as far as it is known; the placeholder icon until then.
    std::function<std::optional<QImage>(const SceneInfo&)> smallThumbnail;
};

// The tray menu. Every title and check mark is read from the model, again on each changed() and
// just before the menu opens, so nothing goes stale; every choice goes back through the model
// (updateSettings, selectScene, togglePause, setLoginItem). Main thread only.
//
// Top to bottom: status line, divider, Scene ▸, Shuffle Daily, Pause/Resume (Ctrl+P), Battery
// Saver, Run on Battery, Quality ▸, Frame Rate ▸, Idle Scene After N Minutes, Launch at Login,
// divider, Settings… (Ctrl+,), Check for Updates…, Quit Lumenfall (Ctrl+Q).
class TrayMenu : public QObject {
    Q_OBJECT

public:
    explicit TrayMenu(AppModel& model, TrayMenuHooks hooks = {}, QObject* parent = nullptr);
    ~TrayMenu() override;

    QMenu* menu() const { return menu_.get(); }

    // Re-reads the model into every item.
    void refresh();
    // Re-reads the scenes' small thumbnails once the menu has been opened (a thumbnail arrived).
    void refreshIcons();

    // Pause/Resume, Settings… and Quit carry application-wide shortcuts (Ctrl+P, Ctrl+Comma, Ctrl+Q). A tray menu never
    // has keyboard focus and Qt only honours a shortcut whose action sits in a visible widget, so
    // our windows (the settings window) hand themselves to this: from then on the shortcuts
    // work whenever any of our windows is active. There is no desktop-wide hot key.
    void addShortcutsTo(QWidget& window);
    QAction* pauseAction() const { return pause_; }
    QAction* quitAction() const { return quit_; }
    QAction* settingsAction() const { return settings_; }
    // Null when the build has no updater.
    QAction* updatesAction() const { return updates_; }

private:
    void build();
    QAction* addToggle(const QString& title);

    AppModel& model_;
    TrayMenuHooks hooks_;
    std::unique_ptr<QMenu> menu_;
    QAction* status_ = nullptr;
    QActionGroup* scenes_ = nullptr;
    QAction* shuffle_ = nullptr;
    QAction* pause_ = nullptr;
    QAction* batterySaver_ = nullptr;
    QAction* runOnBattery_ = nullptr;
    QActionGroup* quality_ = nullptr;
    QActionGroup* fpsCap_ = nullptr;
    QAction* idleScene_ = nullptr;
    QAction* loginItem_ = nullptr;
    QAction* settings_ = nullptr;
    QAction* updates_ = nullptr;
    QAction* quit_ = nullptr;
    bool iconsWanted_ = false;
};

}  // namespace lumen::app
