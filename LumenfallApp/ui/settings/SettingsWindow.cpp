#include "ui/settings/SettingsWindow.hpp"

#include "ui/settings/AboutTab.hpp"
#include "ui/settings/GeneralTab.hpp"
#include "ui/settings/IdleTab.hpp"
#include "ui/settings/PowerTab.hpp"
#include "ui/settings/WeatherTab.hpp"

#include "app/AppModel.hpp"
#include "app/UserDefaults.hpp"

#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

namespace lumen::app {

namespace {

constexpr const char* kTabKey = "settingsTab";
const QSize kPreferredSize(660, 620);

}  // namespace

const std::vector<QString>& SettingsWindow::tabIds() {
    static const std::vector<QString> ids{QStringLiteral("scenes"), QStringLiteral("general"), QStringLiteral("weather"),
                                          QStringLiteral("power"),  QStringLiteral("idle"),    QStringLiteral("about")};
    return ids;
}

SettingsWindow::SettingsWindow(AppModel& model, UserDefaults& defaults, ScenesTab::Thumbnail thumbnail,
                               std::function<void()> checkForUpdates, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), defaults_(defaults) {
    setWindowTitle(QStringLiteral("Lumenfall Settings"));
    setObjectName(QStringLiteral("settings"));
    setAccessibleName(windowTitle());

    tabs_ = new QTabWidget;
    tabs_->setDocumentMode(true);
    tabs_->setUsesScrollButtons(true);
    tabs_->setAccessibleName(QStringLiteral("Settings tabs"));
    scenes_ = new ScenesTab(model_, std::move(thumbnail));
    general_ = new GeneralTab(model_);
    weather_ = new WeatherTab(model_);
    power_ = new PowerTab(model_);
    idle_ = new IdleTab(model_);
    auto* about = new AboutTab(model_.weather().server().host(), std::move(checkForUpdates));
    // Icons from the desktop's theme where it has them; the labels carry the meaning.
    const std::pair<QWidget*, std::pair<const char*, const char*>> pages[] = {
        {scenes_, {"Scenes", "preferences-desktop-wallpaper"}},
        {general_, {"General", "preferences-system"}},
        {weather_, {"Weather", "weather-few-clouds"}},
        {power_, {"Power", "battery"}},
        {idle_, {"Idle Scene", "preferences-desktop-screensaver"}},
        {about, {"About", "help-about"}},
    };
    for (const auto& [page, label] : pages) {
        page->setAccessibleName(QString::fromUtf8(label.first));
        tabs_->addTab(page, QIcon::fromTheme(QString::fromUtf8(label.second)), QString::fromUtf8(label.first));
    }
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->addWidget(tabs_);

    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0 && index < static_cast<int>(tabIds().size())) {
            defaults_.set(kTabKey, tabIds()[static_cast<std::size_t>(index)].toStdString());
        }
    });
    connect(&model_, &AppModel::changed, this, &SettingsWindow::refresh);

    // 660 x 620 where the screen has room; a small screen (800 x 600) gets what it has, and the
    // tabs scroll.
    setMinimumSize(420, 320);
    QSize size = kPreferredSize;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        size = size.boundedTo(screen->availableGeometry().size() - QSize(40, 60));
    }
    resize(size);
    showStoredTab();
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::showStoredTab() {
    const QString stored = QString::fromStdString(defaults_.string(kTabKey).value_or("scenes"));
    const auto& ids = tabIds();
    const auto found = std::find(ids.begin(), ids.end(), stored);
    tabs_->setCurrentIndex(found == ids.end() ? 0 : static_cast<int>(found - ids.begin()));
}

void SettingsWindow::open(const std::optional<QString>& tab) {
    if (tab) defaults_.set(kTabKey, tab->toStdString());
    showStoredTab();
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    refresh();
    raise();
    activateWindow();
}

void SettingsWindow::thumbnailsChanged() { scenes_->refreshThumbnails(); }

void SettingsWindow::refresh() {
    // A hidden window catches up when it is opened again.
    if (!isVisible()) return;
    scenes_->refresh();
    general_->refresh();
    weather_->refresh();
    power_->refresh();
    idle_->refresh();
}

}  // namespace lumen::app
