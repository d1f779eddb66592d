#include "ui/settings/PowerTab.hpp"

#include "app/AppModel.hpp"

#include <QCheckBox>
#include <QLabel>

namespace lumen::app {

PowerTab::PowerTab(AppModel& model, QWidget* parent) : SettingsPage(parent), model_(model) {
    beginSection(QStringLiteral("Battery saver"));
    batterySaver_ = addToggle(QStringLiteral("Battery saver"), [this](bool on) {
        model_.updateSettings([on](LumenSettings& s) { s.batterySaver = on; });
    });
    batterySaverOnBattery_ = addToggle(QStringLiteral("Turn on by itself on battery and in power saver"), [this](bool on) {
        model_.updateSettings([on](LumenSettings& s) { s.batterySaverOnBattery = on; });
    });
    addNote(QStringLiteral("24 frames a second instead of 30, and the heaviest scenes (Alpine Lake, Neon City Rain, "
                           "Zen Koi Pond, Northern Lights Cabin) at half resolution when Quality is Auto. It uses "
                           "about a fifth less of the processor and, for those scenes, about half the graphics work."));
    saverNow_ = addRow(QStringLiteral("Now"));
    endSection();

    runOnBattery_ = addToggle(QStringLiteral("Run on battery and in power saver"), [this](bool on) {
        model_.updateSettings([on](LumenSettings& s) { s.runOnBattery = on; });
    });
    addNote(QStringLiteral("Off: on battery or in power saver the wallpaper shows a still frame of the scene. On: it "
                           "keeps moving at 15 frames a second and half resolution, and the castle’s fireworks "
                           "come less often."));

    animateInSoftware_ = addToggle(QStringLiteral("Animate without graphics hardware"), [this](bool on) {
        model_.updateSettings([on](LumenSettings& s) { s.animateInSoftware = on; });
    });
    softwareNote_ = addNote(QString());

    beginSection(QStringLiteral("Always"));
    addNote(QStringLiteral("Nothing is drawn while the wallpaper is covered by windows or a full-screen app, while "
                           "the screen is locked, the display sleeps or the screen saver runs. When your computer is "
                           "very hot the frame rate drops to 15, and the wallpaper pauses if it gets critical."));
    power_ = addRow(QStringLiteral("Power"));
    lowPower_ = addRow(QStringLiteral("Power saver"));
    temperature_ = addRow(QStringLiteral("Temperature"));
    endSection();
    addStretch();
    refresh();
}

void PowerTab::refresh() {
    const LumenSettings& settings = model_.settings();
    batterySaver_->setChecked(settings.batterySaver);
    batterySaverOnBattery_->setChecked(settings.batterySaverOnBattery);
    saverNow_->setText(settings.batterySaver              ? QStringLiteral("On")
                       : model_.batterySaverAutomatic() ? QStringLiteral("On (battery)")
                                                        : QStringLiteral("Off"));
    runOnBattery_->setChecked(settings.runOnBattery);
    animateInSoftware_->setChecked(settings.animateInSoftware);
    softwareNote_->setText(
        model_.softwareGpu()
            ? QStringLiteral("This computer draws without graphics hardware, on its processor. Off: each display "
                             "shows a still frame, drawn again every ten minutes. On: the scene moves at 15 frames a "
                             "second and half resolution, which keeps the processor busy.")
            : QStringLiteral("Used only where a computer has no graphics hardware; this one has."));

    const PowerContext& power = model_.power();
    power_->setText(power.onBattery ? QStringLiteral("Battery") : QStringLiteral("Power adapter"));
    lowPower_->setText(power.lowPowerMode ? QStringLiteral("On") : QStringLiteral("Off"));
    QString thermal = QString::fromStdString(std::string(ThermalLevelInfo::name(power.thermal)));
    if (!thermal.isEmpty()) thermal[0] = thermal[0].toUpper();
    temperature_->setText(thermal);
}

}  // namespace lumen::app
