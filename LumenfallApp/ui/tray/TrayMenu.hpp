#pragma once

#include <QObject>

#include <memory>

class QAction;
class QActionGroup;
class QMenu;
class QWidget;

namespace lumen::app {

class AppModel;

// The tray menu. Every title and check mark is read from the model, again on each changed() and
// just before the menu opens, so nothing goes stale; every choice goes back through the model
// (updateSettings, selectScene, togglePause, setLoginItem). Main thread only.
//
// Top to bottom: status line, divider, Scene ▸, Shuffle Daily, Pause/Resume (Ctrl+P), Battery
// Saver, Run on Battery, Quality ▸, Frame Rate ▸, Idle Scene After N Minutes, Launch at Login,
// divider, Quit Lumenfall (Ctrl+Q).
class TrayMenu : public QObject {
    Q_OBJECT

public:
    explicit TrayMenu(AppModel& model, QObject* parent = nullptr);
    ~TrayMenu() override;

    QMenu* menu() const { return menu_.get(); }

    // Re-reads the model into every item.
    void refresh();

    // Pause/Resume and Quit carry application-wide shortcuts (Ctrl+P, Ctrl+Q). A tray menu never
    // has keyboard focus and Qt only honours a shortcut whose action sits in a visible widget, so
    // our windows (the settings window) hand themselves to this: from then on both shortcuts
    // work whenever any of our windows is active. There is no desktop-wide hot key.
    void addShortcutsTo(QWidget& window);
    QAction* pauseAction() const { return pause_; }
    QAction* quitAction() const { return quit_; }

private:
    void build();
    QAction* addToggle(const QString& title);

    AppModel& model_;
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
    QAction* quit_ = nullptr;
};

}  // namespace lumen::app
