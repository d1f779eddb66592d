#include "TrayRig.hpp"

#include "platform/DesktopBackend.hpp"
#include "app/BuiltInScenes.hpp"
#include "scenekit/SceneClasses.hpp"

#include <QDBusConnection>

namespace lumen::app::test {

namespace {
const QString kNoBus = QStringLiteral("lumen-tray-no-bus");
}

TrayRig::TrayRig(bool onBattery) {
    registerBuiltInScenes();
    defaults = std::make_unique<UserDefaults>(dir.filePath(QStringLiteral("Lumenfall.conf")).toStdString(),
                                              std::vector<std::string>{});
    AppEnvironment environment;
    environment.defaults = defaults.get();
    environment.followReduceMotion = false;
    environment.autostartDirectory = dir.filePath(QStringLiteral("autostart")).toStdString();
    environment.program = "/usr/bin/lumenfall";
    const QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), kNoBus);
    environment.power.systemBus = none;
    environment.power.sessionBus = none;
    environment.power.thermalRoot = dir.filePath(QStringLiteral("thermal")).toStdString();
    environment.power.simulateBattery = onBattery;
    model = std::make_unique<AppModel>(true, std::move(environment));
}

TrayRig::~TrayRig() {
    model.reset();
    QDBusConnection::disconnectFromBus(kNoBus);
}

std::string TrayRig::autostartEntry() const {
    return dir.filePath(QStringLiteral("autostart/com.quorl802.Lumenfall.desktop")).toStdString();
}

}  // namespace lumen::app::test
