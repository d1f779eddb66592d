#include "ui/tray/TrayIcon.hpp"

#include "ui/tray/TrayArt.hpp"
#include "log/EventLog.hpp"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

namespace lumen::app {

TrayIcon::TrayIcon(AppModel& model, bool show, TrayMenuHooks hooks, QObject* parent)
    : QObject(parent), menu_(model, std::move(hooks)) {
    if (!show) return;
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        logEvent("tray: the desktop has no system tray; running without the menu icon");
    }
    // Made and shown even without a tray: on X11, Qt docks it into a tray that starts later.
    icon_ = std::make_unique<QSystemTrayIcon>(TrayArt::trayIcon());
    icon_->setToolTip(QStringLiteral("Lumenfall"));
    icon_->setContextMenu(menu_.menu());
    // A plain click opens the menu too, as a right click does; hosts that show the menu
    // themselves never send it.
    connect(icon_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && !menu_.menu()->isVisible()) menu_.menu()->popup(QCursor::pos());
    });
    icon_->show();
}

TrayIcon::~TrayIcon() {
    // The icon lets go of the menu before the menu goes.
    if (icon_) icon_->hide();
    icon_.reset();
}

}  // namespace lumen::app
