#include "ui/settings/GeneralTab.hpp"

#include "app/AppModel.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>

namespace lumen::app {

namespace {

std::vector<std::pair<QString, QVariant>> qualityEntries() {
    std::vector<std::pair<QString, QVariant>> entries;
    for (Quality quality : QualityInfo::allCases) {
        entries.emplace_back(QString::fromStdString(std::string(QualityInfo::title(quality))), static_cast<int>(quality));
    }
    return entries;
}

std::vector<std::pair<QString, QVariant>> fpsEntries() {
    std::vector<std::pair<QString, QVariant>> entries;
    for (int cap : LumenSettings::fpsCapChoices) entries.emplace_back(QStringLiteral("%1 fps").arg(cap), cap);
    return entries;
}

}  // namespace

GeneralTab::GeneralTab(AppModel& model, QWidget* parent) : SettingsPage(parent), model_(model) {
    // A control that writes one setting through the model (stored and applied at once).
    auto set = [this](auto change) { return [this, change](auto value) { model_.updateSettings([&](LumenSettings& s) { change(s, value); }); }; };
    paused_ = addToggle(QStringLiteral("Paused"), set([](LumenSettings& s, bool on) { s.userPaused = on; }));
    quality_ = addPicker(QStringLiteral("Quality"), qualityEntries(), set([](LumenSettings& s, const QVariant& v) {
                             s.quality = static_cast<Quality>(v.toInt());
                         }));
    addNote(QStringLiteral("Auto draws at full resolution, or at half on a 4K or 5K display when the scene would "
                           "work the graphics chip too hard."));
    fpsCap_ = addPicker(QStringLiteral("Frame rate"), fpsEntries(),
                        set([](LumenSettings& s, const QVariant& v) { s.fpsCap = v.toInt(); }));
    secondaryFullRate_ = addToggle(QStringLiteral("Other displays at the full frame rate"),
                                   set([](LumenSettings& s, bool on) { s.secondaryFullRate = on; }));
    addNote(QStringLiteral("Off: displays other than the main one animate at 15 fps, which saves about a quarter "
                           "of the work."));
    parallax_ = addToggle(QStringLiteral("The view follows the pointer a little"),
                          set([](LumenSettings& s, bool on) { s.parallax = on; }));
    pointerReacts_ = addToggle(
        QStringLiteral("Scenes react to the pointer (fish dart away, the pointer wipes the misted window)"),
        set([](LumenSettings& s, bool on) { s.pointerReacts = on; }));
    // The model re-reads the autostart entry after writing it, so a failure shows the real state.
    loginItem_ = addToggle(QStringLiteral("Launch at login"), [this](bool on) { model_.setLoginItem(on); });
    loginMessage_ = addNote(QString());

    auto* displays = new QGroupBox(QStringLiteral("Displays"));
    displays->setAccessibleName(displays->title());
    displays_ = new QFormLayout(displays);
    addWidget(displays);
    addNote(QStringLiteral("The light follows your computer’s clock: scenes brighten in the morning, turn golden "
                           "at sunset and glow at night."));
    addStretch();
    refresh();
}

void GeneralTab::refresh() {
    const LumenSettings& settings = model_.settings();
    paused_->setChecked(settings.userPaused);
    select(*quality_, static_cast<int>(settings.quality));
    select(*fpsCap_, settings.fpsCap);
    secondaryFullRate_->setChecked(settings.secondaryFullRate);
    parallax_->setChecked(settings.parallax);
    pointerReacts_->setChecked(settings.pointerReacts);
    loginItem_->setChecked(model_.loginItemOn());
    loginMessage_->setText(QString::fromStdString(model_.loginMessage().value_or("")));
    loginMessage_->setVisible(model_.loginMessage().has_value());

    while (displays_->rowCount() > 0) displays_->removeRow(0);
    for (const DisplayStatus& status : model_.statuses()) {
        auto* value = new QLabel(QString::fromStdString(status.pixels + "   " + status.label));
        const QString name = QString::fromStdString(status.name);
        value->setAccessibleName(name);
        displays_->addRow(name, value);
    }
}

}  // namespace lumen::app
