#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

class QMenu;

namespace lumen::app {

class TrayMenu;

// The tray menu offered over the session bus as "com.quorl802.Lumenfall" at
// /com/quorl802/Lumenfall/Menu, for a desktop without a tray: GNOME Shell's Lumenfall extension
// shows it in the top bar. Layout() is the menu as JSON, read fresh from the model:
// [{"label": "…", "checkable": true, "checked": false, "enabled": true, "items": [...]}, {"separator": true}]
// Activate("2/1") triggers the second item of the third entry's submenu, exactly as a click would.
class MenuBridge : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.quorl802.Lumenfall.Menu")

public:
    static constexpr const char* serviceName = "com.quorl802.Lumenfall";
    static constexpr const char* objectPath = "/com/quorl802/Lumenfall/Menu";

    MenuBridge(TrayMenu& menu, QDBusConnection bus, QObject* parent = nullptr);
    ~MenuBridge() override;
    // Whether the bus took the name and the object (another instance may hold the name).
    bool published() const { return published_; }

    static QString layout(const QMenu& menu);
    // False when the path names no enabled item.
    static bool activate(const QMenu& menu, const QString& path);

public slots:
    QString Layout();
    bool Activate(const QString& path);

private:
    TrayMenu& menu_;
    QDBusConnection bus_;
    bool published_ = false;
};

}  // namespace lumen::app
