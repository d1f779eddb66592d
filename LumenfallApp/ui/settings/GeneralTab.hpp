#pragma once

#include "ui/settings/SettingsPage.hpp"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;

namespace lumen::app {

class AppModel;

// Pause, quality, frame rate, pointer, login item, and how each display is doing.
class GeneralTab : public SettingsPage {
public:
    explicit GeneralTab(AppModel& model, QWidget* parent = nullptr);
    void refresh();

private:
    AppModel& model_;
    QCheckBox* paused_;
    QComboBox* quality_;
    QComboBox* fpsCap_;
    QCheckBox* secondaryFullRate_;
    QCheckBox* parallax_;
    QCheckBox* pointerReacts_;
    QCheckBox* loginItem_;
    QLabel* loginMessage_;
    QFormLayout* displays_;
};

}  // namespace lumen::app
