#include "ui/settings/IdleTab.hpp"

#include "app/AppModel.hpp"
#include "desktop/IdleScene.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

namespace lumen::app {

IdleTab::IdleTab(AppModel& model, QWidget* parent) : SettingsPage(parent), model_(model) {
    enabled_ = addToggle(QStringLiteral("Show the scene full screen when the computer is idle"), [this](bool on) {
        model_.updateSettings([on](LumenSettings& s) { s.idleSceneEnabled = on; });
    });
    std::vector<std::pair<QString, QVariant>> entries;
    for (int minutes : LumenSettings::idleMinuteChoices) entries.emplace_back(QStringLiteral("%1 minutes").arg(minutes), minutes);
    minutes_ = addPicker(QStringLiteral("After"), entries, [this](const QVariant& value) {
        model_.updateSettings([&](LumenSettings& s) { s.idleMinutes = value.toInt(); });
    });
    addNote(QStringLiteral("Any key, click or mouse move closes it. It isn’t a screen saver or a lock: your desktop "
                           "still turns the display off and locks the computer on its own schedule, and the idle "
                           "scene doesn’t appear while a video keeps the display on."));
    preview_ = new QPushButton(QStringLiteral("Preview Now"));
    preview_->setAccessibleName(preview_->text());
    preview_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(preview_, &QPushButton::clicked, this, [this] {
        if (IdleScene* idle = model_.idle()) idle->show();
    });
    addWidget(preview_);
    addStretch();
    refresh();
}

void IdleTab::refresh() {
    const LumenSettings& settings = model_.settings();
    enabled_->setChecked(settings.idleSceneEnabled);
    select(*minutes_, settings.idleMinutes);
    // Without a desktop or a GPU there is nothing to show.
    preview_->setEnabled(model_.idle() != nullptr);
}

}  // namespace lumen::app
