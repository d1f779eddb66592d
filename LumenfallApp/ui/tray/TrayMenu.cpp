#include "ui/tray/TrayMenu.hpp"

#include "app/AppModel.hpp"
#include "ui/tray/TrayArt.hpp"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>

namespace lumen::app {

namespace {

// Menu texts treat '&' as a mnemonic marker; texts that come from data are shown as they are.
QString literal(const std::string& text) {
    return QString::fromStdString(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QActionGroup* exclusiveGroup(QObject* parent) {
    auto* group = new QActionGroup(parent);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    return group;
}

QAction* addChoice(QMenu* menu, QActionGroup* group, const QString& title, const QVariant& value) {
    QAction* action = menu->addAction(title);
    action->setCheckable(true);
    action->setData(value);
    group->addAction(action);
    return action;
}

void checkChoice(QActionGroup* group, const QVariant& value) {
    for (QAction* action : group->actions()) action->setChecked(action->data() == value);
}

}  // namespace

TrayMenu::TrayMenu(AppModel& model, TrayMenuHooks hooks, QObject* parent)
    : QObject(parent), model_(model), hooks_(std::move(hooks)), menu_(std::make_unique<QMenu>()) {
    build();
    connect(&model_, &AppModel::changed, this, &TrayMenu::refresh);
    connect(menu_.get(), &QMenu::aboutToShow, this, &TrayMenu::refresh);
    connect(menu_.get(), &QMenu::aboutToShow, this, [this] {
        iconsWanted_ = true;
        refreshIcons();
    });
    refresh();
}

TrayMenu::~TrayMenu() = default;

QAction* TrayMenu::addToggle(const QString& title) {
    QAction* action = menu_->addAction(title);
    action->setCheckable(true);
    return action;
}

void TrayMenu::build() {
    QMenu* menu = menu_.get();
    status_ = menu->addAction(QString());
    status_->setEnabled(false);
    menu->addSeparator();

    QMenu* scenes = menu->addMenu(QStringLiteral("Scene"));
    scenes_ = exclusiveGroup(scenes);
    const QIcon placeholder = TrayArt::scenePlaceholderIcon();
    for (const SceneInfo& info : model_.catalog().scenes) {
        addChoice(scenes, scenes_, literal(info.title), QString::fromStdString(info.id.text()))->setIcon(placeholder);
    }
    connect(scenes_, &QActionGroup::triggered, this, [this](QAction* action) {
        const auto info = model_.catalog().scene(SceneID{action->data().toString().toStdString()});
        if (info) model_.selectScene(*info);
        // The choice may not have changed anything; put the marks back to what the model holds.
        refresh();
    });

    shuffle_ = addToggle(QStringLiteral("Shuffle Daily"));
    connect(shuffle_, &QAction::triggered, this, [this](bool on) {
        model_.updateSettings([on](LumenSettings& s) { s.shuffleDaily = on; });
    });

    pause_ = menu->addAction(QString());
    pause_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    pause_->setShortcutContext(Qt::ApplicationShortcut);
    connect(pause_, &QAction::triggered, this, [this] { model_.togglePause(); });

    batterySaver_ = addToggle(QString());
    connect(batterySaver_, &QAction::triggered, this, [this](bool on) {
        model_.updateSettings([on](LumenSettings& s) { s.batterySaver = on; });
    });

    runOnBattery_ = addToggle(QStringLiteral("Run on Battery (15 fps, half resolution)"));
    connect(runOnBattery_, &QAction::triggered, this, [this](bool on) {
        model_.updateSettings([on](LumenSettings& s) { s.runOnBattery = on; });
    });

    QMenu* quality = menu->addMenu(QStringLiteral("Quality"));
    quality_ = exclusiveGroup(quality);
    for (Quality choice : QualityInfo::allCases) {
        addChoice(quality, quality_, literal(std::string(QualityInfo::title(choice))), static_cast<int>(choice));
    }
    connect(quality_, &QActionGroup::triggered, this, [this](QAction* action) {
        const auto choice = static_cast<Quality>(action->data().toInt());
        model_.updateSettings([choice](LumenSettings& s) { s.quality = choice; });
    });

    QMenu* fps = menu->addMenu(QStringLiteral("Frame Rate"));
    fpsCap_ = exclusiveGroup(fps);
    for (int cap : LumenSettings::fpsCapChoices) addChoice(fps, fpsCap_, QStringLiteral("%1 fps").arg(cap), cap);
    connect(fpsCap_, &QActionGroup::triggered, this, [this](QAction* action) {
        const int cap = action->data().toInt();
        model_.updateSettings([cap](LumenSettings& s) { s.fpsCap = cap; });
    });

    idleScene_ = addToggle(QString());
    connect(idleScene_, &QAction::triggered, this, [this](bool on) {
        model_.updateSettings([on](LumenSettings& s) { s.idleSceneEnabled = on; });
    });

    loginItem_ = addToggle(QStringLiteral("Launch at Login"));
    // The model re-reads the entry after writing it, so a failed change shows the real state.
    connect(loginItem_, &QAction::triggered, this, [this](bool on) { model_.setLoginItem(on); });

    menu->addSeparator();
    settings_ = menu->addAction(QStringLiteral("Settings…"));
    settings_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    settings_->setShortcutContext(Qt::ApplicationShortcut);
    settings_->setMenuRole(QAction::PreferencesRole);
    settings_->setEnabled(static_cast<bool>(hooks_.openSettings));
    connect(settings_, &QAction::triggered, this, [this] {
        if (hooks_.openSettings) hooks_.openSettings();
    });
    if (hooks_.checkForUpdates) {
        updates_ = menu->addAction(QStringLiteral("Check for Updates…"));
        connect(updates_, &QAction::triggered, this, [this] { hooks_.checkForUpdates(); });
    }
    quit_ = menu->addAction(QStringLiteral("Quit Lumenfall"));
    quit_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit_->setShortcutContext(Qt::ApplicationShortcut);
    quit_->setMenuRole(QAction::QuitRole);
    connect(quit_, &QAction::triggered, qApp, &QCoreApplication::quit);
}

void TrayMenu::addShortcutsTo(QWidget& window) {
    window.addAction(pause_);
    window.addAction(settings_);
    window.addAction(quit_);
}

void TrayMenu::refreshIcons() {
    // Asking for a thumbnail may start rendering it: not before someone opens the menu.
    if (!iconsWanted_ || !hooks_.smallThumbnail) return;
    for (QAction* action : scenes_->actions()) {
        const auto info = model_.catalog().scene(SceneID{action->data().toString().toStdString()});
        const auto image = info ? hooks_.smallThumbnail(*info) : std::nullopt;
        if (image) action->setIcon(QIcon(QPixmap::fromImage(*image)));
    }
}

void TrayMenu::refresh() {
    const LumenSettings& settings = model_.settings();
    status_->setText(literal(model_.statusLine()));
    checkChoice(scenes_, QString::fromStdString(model_.current().id.text()));
    shuffle_->setChecked(settings.shuffleDaily);
    pause_->setText(settings.userPaused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    batterySaver_->setText(model_.batterySaverAutomatic() ? QStringLiteral("Battery Saver (on while on battery)")
                                                          : QStringLiteral("Battery Saver (24 fps)"));
    batterySaver_->setChecked(settings.batterySaver);
    runOnBattery_->setChecked(settings.runOnBattery);
    checkChoice(quality_, static_cast<int>(settings.quality));
    checkChoice(fpsCap_, settings.fpsCap);
    idleScene_->setText(QStringLiteral("Idle Scene After %1 Minutes").arg(settings.idleMinutes));
    idleScene_->setChecked(settings.idleSceneEnabled);
    loginItem_->setChecked(model_.loginItemOn());
}

}  // namespace lumen::app
