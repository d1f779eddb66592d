#include "TrayChild.hpp"

#include "TrayRig.hpp"

#include "ui/tray/TrayIcon.hpp"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdio>

namespace lumen::app::test {

int runTrayChild(int argc, char** argv) {
    QApplication app(argc, argv);
    TrayRig rig;
    TrayIcon tray(*rig.model, true);
    std::printf("tray available: %d\n", QSystemTrayIcon::isSystemTrayAvailable() ? 1 : 0);
    std::fflush(stdout);
    QTimer::singleShot(60'000, &app, &QCoreApplication::quit);
    return app.exec();
}

}  // namespace lumen::app::test
