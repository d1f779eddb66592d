#pragma once

#include "ui/settings/SettingsPage.hpp"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace lumen::app {

class AppModel;

// The full-screen idle scene: on or off, after how long, and a preview.
class IdleTab : public SettingsPage {
public:
    explicit IdleTab(AppModel& model, QWidget* parent = nullptr);
    void refresh();

private:
    AppModel& model_;
    QCheckBox* enabled_;
    QComboBox* minutes_;
    QPushButton* preview_;
};

}  // namespace lumen::app
