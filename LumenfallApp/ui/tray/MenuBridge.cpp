#include "ui/tray/MenuBridge.hpp"

#include "ui/tray/TrayMenu.hpp"

#include "log/EventLog.hpp"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>

namespace lumen::app {

namespace {

QJsonArray items(const QMenu& menu) {
    QJsonArray list;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            list.append(QJsonObject{{"separator", true}});
            continue;
        }
        QString label = action->text();
        label.remove('&');
        QJsonObject item{{"label", label}, {"enabled", action->isEnabled()}};
        if (action->isCheckable()) {
            item["checkable"] = true;
            item["checked"] = action->isChecked();
        }
        if (const QMenu* submenu = action->menu()) item["items"] = items(*submenu);
        list.append(item);
    }
    return list;
}

}  // namespace

MenuBridge::MenuBridge(TrayMenu& menu, QDBusConnection bus, QObject* parent)
    : QObject(parent), menu_(menu), bus_(std::move(bus)) {
    if (!bus_.isConnected()) return;
    published_ = bus_.registerObject(objectPath, this, QDBusConnection::ExportAllSlots) &&
                 bus_.registerService(serviceName);
    if (!published_) logEvent(std::string("menu bridge: ") + serviceName + " is taken on the session bus");
}

MenuBridge::~MenuBridge() {
    if (!published_) return;
    bus_.unregisterService(serviceName);
    bus_.unregisterObject(objectPath);
}

QString MenuBridge::layout(const QMenu& menu) {
    return QString::fromUtf8(QJsonDocument(items(menu)).toJson(QJsonDocument::Compact));
}

bool MenuBridge::activate(const QMenu& menu, const QString& path) {
    const QMenu* level = &menu;
    QAction* found = nullptr;
    const QStringList steps = path.split('/');
    for (int i = 0; i < steps.size(); ++i) {
        bool number = false;
        const int index = steps[i].toInt(&number);
        const auto actions = level->actions();
        if (!number || index < 0 || index >= actions.size()) return false;
        found = actions[index];
        if (i + 1 < steps.size()) {
            level = found->menu();
            if (!level) return false;
        }
    }
    if (!found || found->isSeparator() || !found->isEnabled() || found->menu()) return false;
    found->trigger();
    return true;
}

QString MenuBridge::Layout() {
    menu_.refresh();
    return layout(*menu_.menu());
}

bool MenuBridge::Activate(const QString& path) {
    menu_.refresh();
    return activate(*menu_.menu(), path);
}

}  // namespace lumen::app
