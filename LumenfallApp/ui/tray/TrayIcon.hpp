#pragma once

#include "ui/tray/TrayMenu.hpp"

#include <QObject>

#include <memory>

class QSystemTrayIcon;

namespace lumen::app {

class AppModel;

// The application's whole visible surface besides the wallpaper: an icon in the desktop's tray
// (a StatusNotifierItem where a watcher runs, an XEmbed icon otherwise) whose context menu is the
// tray menu. Main thread only.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    // `show` false (the "noMenuBarItem" default): the menu exists but no icon is made. A desktop
    // without a tray gets one event line; the application goes on without the icon showing.
    TrayIcon(AppModel& model, bool show, TrayMenuHooks hooks = {}, QObject* parent = nullptr);
    ~TrayIcon() override;

    TrayMenu& menu() { return menu_; }
    // Null when not asked for.
    QSystemTrayIcon* icon() const { return icon_.get(); }

private:
    TrayMenu menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
};

}  // namespace lumen::app
