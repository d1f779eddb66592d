#include "app/WallpaperApplication.hpp"

#include "app/AppModel.hpp"
#include "app/BuiltInScenes.hpp"
#include "app/CommandLine.hpp"
#include "app/QuitSignals.hpp"
#include "app/SingleInstance.hpp"
#include "ui/settings/SettingsOpener.hpp"
#include "ui/settings/SettingsWindow.hpp"
#include "ui/tray/MenuBridge.hpp"
#include "ui/tray/TrayIcon.hpp"
#if LUMENFALL_HAS_UPDATER
#include "ui/updates/Updater.hpp"
#endif
#include "app/UserDefaults.hpp"
#include "desktop/DesktopSession.hpp"
#include "platform/DesktopBackend.hpp"
#include "scenekit/GpuContext.hpp"
#include "scenekit/SceneClasses.hpp"

#include "log/EventLog.hpp"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>

namespace lumen::app {

namespace {

std::string programPath(const char* argv0) {
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(argv0) : path.string();
}

GpuContext* openSharedGpu(DesktopBackend* backend) {
    GpuContext::configureShared({.eglPlatform = backend->eglPlatform(),
                                 .nativeDisplay = backend->nativeDisplay(),
                                 .nativeVisual = backend->nativeVisual()});
    GpuContext* gpu = GpuContext::shared();
    if (!gpu) logEvent("GPU: " + GpuContext::unavailableReason());
    return gpu;
}

}  // namespace

int runWallpaperApplication(int argc, char** argv, const std::vector<std::string>& arguments, bool openSettings) {
    // Before anything slow: a quit asked for during start-up then waits for the event loop.
    QuitSignals::catchFromNow();
    UserDefaults defaults(UserDefaults::defaultPath(), arguments);
    if (auto quitAfter = defaults.string("quitAfter")) {
        // A run meant to end that never would is worse than one that does not start.
        if (auto seconds = defaults.number("quitAfter"); !seconds || *seconds < 0) {
            std::fprintf(stderr, "lumenfall: -quitAfter takes a number of seconds (0 or more), not \"%s\"\n",
                         quitAfter->c_str());
            return cli::exitUsage;
        }
    }
    const auto desktopKind = parseDesktopKind(defaults.string("desktopBackend").value_or(""));
    if (!desktopKind) {
        std::fprintf(stderr, "lumenfall: -desktopBackend takes wayland or x11, not \"%s\"\n",
                     defaults.string("desktopBackend")->c_str());
        return cli::exitUsage;
    }
    // Qt aborts on a display it cannot open; find out first and say what to do.
    if (auto problem = desktopDisplayProblem(*desktopKind)) {
        std::fprintf(stderr, "lumenfall: %s\n", problem->c_str());
        return cli::exitFailure;
    }
    EventLog::setLaunchArguments(arguments);
    EventLog::setStoredPerfLog(defaults.optionalBool("perfLog"));

    chooseQtPlatform();
    QApplication application(argc, argv);
    QApplication::setApplicationName("Lumenfall");
    // On Wayland the app id: compositors find our icon and name by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quorl802.Lumenfall"));
    QApplication::setQuitOnLastWindowClosed(false);

    // A later launch hands over what it was asked to show, else just that it was launched.
    SingleInstance instance;
    const auto scene = defaults.string("scene");
    const std::string request = openSettings                  ? "settings"
                                : scene && !scene->empty() ? "scene " + *scene
                                                           : "activate";
    if (instance.forwardToRunning(request)) {
        std::fputs("lumenfall: already running on this display\n", stderr);
        return EXIT_SUCCESS;
    }

    registerBuiltInScenes();
    AppEnvironment environment;
    environment.defaults = &defaults;
    std::string error;
    environment.backend = openDesktopBackend(error, *desktopKind);
    if (!environment.backend) logEvent("desktop: " + error);
    environment.openGpu = openSharedGpu;
    environment.closeGpu = [] { GpuContext::shutdown(); };
    environment.program = programPath(argv[0]);

    AppModel model(true, std::move(environment));
    TrayIcon* trayIcon = nullptr;
    std::function<void()> checkForUpdates;
#if LUMENFALL_HAS_UPDATER
    Updater updater({.defaults = &defaults});
    checkForUpdates = [&updater] { updater.checkForUpdates(); };
#endif
    ThumbnailStore& thumbnails = model.thumbnails();
    SettingsOpener settings(model, defaults,
                            {.thumbnail = [&thumbnails](const SceneInfo& info) { return thumbnails.image(info); },
                             .checkForUpdates = checkForUpdates,
                             .made = [&trayIcon](QWidget& window) { trayIcon->menu().addShortcutsTo(window); }});
    TrayIcon tray(model, !defaults.boolValue("noMenuBarItem"),
                  {.openSettings = [&settings] { settings.open(); },
                   .checkForUpdates = checkForUpdates,
                   .smallThumbnail = [&thumbnails](const SceneInfo& info) { return thumbnails.smallImage(info); }});
    trayIcon = &tray;
    // The same menu for desktops without a tray (GNOME Shell's extension puts it in the top bar).
    MenuBridge menuBridge(tray.menu(), QDBusConnection::sessionBus());
    QObject::connect(&thumbnails, &ThumbnailStore::changed, [&settings, &tray] {
        if (settings.window()) settings.window()->thumbnailsChanged();
        tray.menu().refreshIcons();
    });
    instance.onRequest = [&model, &settings](const std::string& request) {
        if (request.starts_with("scene ")) {
            model.selectRequestedScene(request.substr(6));
        } else if (request == "settings") {
            settings.open();
        } else if (request == "activate") {
            // Started again from the application menu: the way back in where no tray shows.
            logEvent("another launch asked: activate");
            settings.open();
        } else {
            logEvent("another launch asked: " + request);
        }
    };

    QuitSignals quitSignals([](int signal) {
        logEvent("quitting on signal " + std::to_string(signal));
        QCoreApplication::quit();
    });
    QObject::connect(&application, &QCoreApplication::aboutToQuit, [&model] { model.stop(); });

    // Started once the event loop runs, as a launched application would be.
    QTimer::singleShot(0, [&] {
        model.start();
#if LUMENFALL_HAS_UPDATER
        // A minute in: at login the network may not be up yet, and short runs ask nobody.
        QTimer::singleShot(std::chrono::minutes{1}, &updater, &Updater::start);
#endif
        if (!settings.welcomeOnFirstLaunch() && openSettings) settings.open();
    });
    if (auto seconds = defaults.number("quitAfter"); seconds && *seconds > 0) {
        const double milliseconds = std::min(*seconds * 1000, static_cast<double>(std::numeric_limits<int>::max()));
        QTimer::singleShot(static_cast<int>(milliseconds), [] { QCoreApplication::quit(); });
    }

    const int status = QApplication::exec();
    model.stop();
    logEvent("stopped");
    EventLog::flush();
    return status;
}

}  // namespace lumen::app
