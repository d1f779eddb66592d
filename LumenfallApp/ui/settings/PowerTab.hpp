#pragma once

#include "ui/settings/SettingsPage.hpp"

class QCheckBox;
class QLabel;

namespace lumen::app {

class AppModel;

// The battery saver, running on battery, and the machine's power state as the model sees it.
class PowerTab : public SettingsPage {
public:
    explicit PowerTab(AppModel& model, QWidget* parent = nullptr);
    void refresh();

private:
    AppModel& model_;
    QCheckBox* batterySaver_;
    QCheckBox* batterySaverOnBattery_;
    QLabel* saverNow_;
    QCheckBox* runOnBattery_;
    QCheckBox* animateInSoftware_;
    QLabel* softwareNote_;
    QLabel* power_;
    QLabel* lowPower_;
    QLabel* temperature_;
};

}  // namespace lumen::app
