#include "app/AppModel.hpp"
#include "app/BuiltInScenes.hpp"
#include "app/UserDefaults.hpp"
#include "platform/DesktopBackend.hpp"
#include "ui/tray/TrayMenu.hpp"

#include <QAction>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace lumen::app::test {
namespace {

// An application model with no desktop, no GPU and no D-Bus, its defaults file and autostart
// folder in a private temporary folder.
struct TrayRig {
    TrayRig() {
        registerBuiltInScenes();
        defaults = std::make_unique<UserDefaults>(dir.filePath("Lumenfall.conf").toStdString(), std::vector<std::string>{});
        AppEnvironment environment;
        environment.defaults = defaults.get();
        environment.followReduceMotion = false;
        environment.autostartDirectory = dir.filePath("autostart").toStdString();
        environment.program = "/usr/bin/lumenfall";
        environment.power.systemBus = QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "no-bus");
        environment.power.sessionBus = environment.power.systemBus;
        environment.power.thermalRoot = dir.filePath("thermal").toStdString();
        model = std::make_unique<AppModel>(true, std::move(environment));
    }
    ~TrayRig() {
        model.reset();
        QDBusConnection::disconnectFromBus("no-bus");
    }
    std::string autostartEntry() const { return dir.filePath("autostart/com.quorl802.Lumenfall.desktop").toStdString(); }

    QTemporaryDir dir;
    std::unique_ptr<UserDefaults> defaults;
    std::unique_ptr<AppModel> model;
};

// "-" stands for a divider, "name ▸" for a submenu.
QStringList outline(const QMenu& menu) {
    QStringList items;
    for (const QAction* action : menu.actions()) {
        items << (action->isSeparator() ? QStringLiteral("-") : action->text() + (action->menu() ? " ▸" : ""));
    }
    return items;
}

QAction* find(const QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text) return action;
        if (QAction* inner = action->menu() ? find(*action->menu(), text) : nullptr) return inner;
    }
    return nullptr;
}

QAction* item(const QMenu& menu, const QString& text) {
    if (QAction* found = find(menu, text)) return found;
    ADD_FAILURE() << "no item " << text.toStdString();
    static QAction none;
    return &none;
}

QStringList checked(const QMenu& menu, const QString& submenu) {
    QStringList items;
    for (const QAction* action : item(menu, submenu)->menu()->actions()) {
        if (action->isChecked()) items << action->text();
    }
    return items;
}

QString q(const std::string& text) { return QString::fromStdString(text); }

class TrayMenuTest : public ::testing::Test {
protected:
    TrayRig rig;
    AppModel& model = *rig.model;
    int settingsOpened = 0, updateChecks = 0, thumbnailsAsked = 0;
    // The first scene has a small thumbnail (plain red), the others none yet.
    TrayMenu tray{model,
                  {.openSettings = [this] { ++settingsOpened; },
                   .checkForUpdates = [this] { ++updateChecks; },
                   .smallThumbnail = [this](const SceneInfo& info) -> std::optional<QImage> {
                       ++thumbnailsAsked;
                       if (!(info.id == model.catalog().scenes.front().id)) return std::nullopt;
                       QImage red(128, 72, QImage::Format_ARGB32_Premultiplied);
                       red.fill(Qt::red);
                       return red;
                   }}};
    QMenu& menu = *tray.menu();
};

TEST_F(TrayMenuTest, ItemsInOrderWithTheLiveChoicesMarked) {
    EXPECT_EQ(outline(menu),
              (QStringList{q(model.statusLine()), "-", "Scene ▸", "Shuffle Daily", "Pause", "Battery Saver (24 fps)",
                           "Run on Battery (15 fps, half resolution)", "Quality ▸", "Frame Rate ▸",
                           "Idle Scene After 10 Minutes", "Launch at Login", "-", "Settings…",
                           "Check for Updates…", "Quit Lumenfall"}));
    EXPECT_FALSE(menu.actions().front()->isEnabled());
    EXPECT_EQ(item(menu, "Pause")->shortcut(), QKeySequence("Ctrl+P"));
    EXPECT_EQ(item(menu, "Settings…")->shortcut(), QKeySequence("Ctrl+,"));
    item(menu, "Settings…")->trigger();
    item(menu, "Check for Updates…")->trigger();
    EXPECT_EQ(std::pair(settingsOpened, updateChecks), std::pair(1, 1));
    // A build without the updater has no such item; without a window, Settings… cannot be chosen.
    TrayMenu bare{model};
    EXPECT_FALSE(outline(*bare.menu()).contains("Check for Updates…"));
    EXPECT_FALSE(item(*bare.menu(), "Settings…")->isEnabled());
    EXPECT_EQ(item(menu, "Quit Lumenfall")->shortcut(), QKeySequence("Ctrl+Q"));

    QStringList titles;
    for (const auto& info : model.catalog().scenes) titles << q(info.title);
    ASSERT_GE(titles.size(), 2);
    EXPECT_EQ(outline(*item(menu, "Scene")->menu()), titles);
    for (const QAction* action : item(menu, "Scene")->menu()->actions()) EXPECT_FALSE(action->icon().isNull());
    // Thumbnails are asked for (and perhaps rendered) only once the menu opens.
    EXPECT_EQ(thumbnailsAsked, 0);
    emit menu.aboutToShow();
    EXPECT_EQ(thumbnailsAsked, titles.size());
    const auto centre = [](const QAction* a) { return a->icon().pixmap(32, 18).toImage().pixelColor(16, 9); };
    EXPECT_EQ(centre(item(menu, "Scene")->menu()->actions().front()), QColor(Qt::red));
    EXPECT_NE(centre(item(menu, "Scene")->menu()->actions().back()), QColor(Qt::red));
    EXPECT_EQ(checked(menu, "Scene"), QStringList{q(model.current().title)});
    EXPECT_EQ(outline(*item(menu, "Quality")->menu()), (QStringList{"Auto", "Full resolution", "Half resolution"}));
    EXPECT_EQ(checked(menu, "Quality"), QStringList{"Auto"});
    EXPECT_EQ(outline(*item(menu, "Frame Rate")->menu()), (QStringList{"15 fps", "30 fps"}));
    EXPECT_EQ(checked(menu, "Frame Rate"), QStringList{"30 fps"});

    // The status line is read again on every change and before showing.
    QAction* status = menu.actions().front();
    EXPECT_EQ(status->text(), "OpenGL 4.3 isn’t available on this computer");
    for (const bool beforeShowing : {false, true}) {
        status->setText("stale");
        beforeShowing ? emit menu.aboutToShow() : emit model.changed();
        EXPECT_EQ(status->text(), q(model.statusLine()));
    }
}

// Each item writes its setting and shows it as set; a change made elsewhere shows too. Choosing a
// scene ends the daily shuffle.
TEST_F(TrayMenuTest, ItemsWriteTheirSettings) {
    using S = const LumenSettings&;
    const std::pair<const char*, std::function<bool(S)>> rows[] = {
        {"15 fps", [](S s) { return s.fpsCap == 15; }},
        {"Half resolution", [](S s) { return s.quality == Quality::half; }},
        {"Run on Battery (15 fps, half resolution)", [](S s) { return s.runOnBattery; }},
        {"Idle Scene After 10 Minutes", [](S s) { return s.idleSceneEnabled; }},
        {"Battery Saver (24 fps)", [](S s) { return s.batterySaver; }},
        {"Shuffle Daily", [](S s) { return s.shuffleDaily; }},
    };
    for (const auto& [text, isSet] : rows) {
        EXPECT_FALSE(isSet(model.settings())) << text;
        item(menu, text)->trigger();
        EXPECT_TRUE(isSet(model.settings())) << text;
        EXPECT_TRUE(item(menu, text)->isChecked()) << text;
    }
    EXPECT_EQ(checked(menu, "Frame Rate"), QStringList{"15 fps"});

    model.updateSettings([](LumenSettings& s) {
        s.quality = Quality::full;
        s.idleMinutes = 5;
        s.runOnBattery = false;
    });
    EXPECT_EQ(checked(menu, "Quality"), QStringList{"Full resolution"});
    EXPECT_TRUE(item(menu, "Idle Scene After 5 Minutes")->isChecked());
    EXPECT_FALSE(item(menu, "Run on Battery (15 fps, half resolution)")->isChecked());

    const auto& scenes = model.catalog().scenes;
    const auto other = std::find_if(scenes.begin(), scenes.end(), [&](auto& s) { return !(s == model.current()); });
    ASSERT_NE(other, scenes.end());
    item(menu, q(other->title))->trigger();
    EXPECT_FALSE(model.settings().shuffleDaily);
    EXPECT_EQ(model.settings().scene, other->id);
    EXPECT_FALSE(item(menu, "Shuffle Daily")->isChecked());
    // The mark shows the live scene; with no GPU nothing loads, so it stays where it was.
    EXPECT_EQ(checked(menu, "Scene"), QStringList{q(model.current().title)});
}

TEST_F(TrayMenuTest, PauseBecomesResumeAlsoByCtrlPFromAnyOfOurWindows) {
    item(menu, "Pause")->trigger();
    EXPECT_TRUE(model.settings().userPaused);
    item(menu, "Resume")->trigger();
    EXPECT_FALSE(model.settings().userPaused);

    QWidget settings, other;
    tray.addShortcutsTo(settings);
    settings.show();
    other.show();
    for (QWidget* window : {&other, &settings}) {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        const bool paused = model.settings().userPaused;
        QTest::keyClick(window, Qt::Key_P, Qt::ControlModifier);
        EXPECT_NE(model.settings().userPaused, paused);
        EXPECT_EQ(menu.actions()[4]->text(), paused ? "Pause" : "Resume");
    }
}

TEST_F(TrayMenuTest, LaunchAtLoginWritesAndRemovesTheAutostartEntry) {
    QAction* login = item(menu, "Launch at Login");
    login->trigger();
    EXPECT_TRUE(login->isChecked());
    std::stringstream entry;
    entry << std::ifstream(rig.autostartEntry()).rdbuf();
    EXPECT_NE(entry.str().find("Exec=/usr/bin/lumenfall\n"), std::string::npos) << entry.str();
    login->trigger();
    EXPECT_FALSE(std::filesystem::exists(rig.autostartEntry()));
    EXPECT_FALSE(login->isChecked());
}

TEST_F(TrayMenuTest, QuitEndsTheEventLoop) {
    QTimer::singleShot(0, [&] { item(menu, "Quit Lumenfall")->trigger(); });
    QTimer::singleShot(5'000, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

}  // namespace
}  // namespace lumen::app::test
