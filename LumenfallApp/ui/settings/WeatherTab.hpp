#pragma once

#include "ui/settings/SettingsPage.hpp"

#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;

namespace lumen::app {

class AppModel;

// The place that sets the real sky and weather: typed and looked up, or the computer's own;
// the weather now; the data sources' credits. One look-up at a time.
class WeatherTab : public SettingsPage {
public:
    explicit WeatherTab(AppModel& model, QWidget* parent = nullptr);
    void refresh();

    QLineEdit* placeField() const { return field_; }

private:
    void lookUp();
    void locationToggled(bool on);
    void setBusy(bool busy);
    // What a look-up answered: none when the place was stored, else the text shown under it.
    void finished(const std::optional<std::string>& error);

    AppModel& model_;
    QWidget* using_;
    QLabel* placeName_;
    QLabel* noPlace_;
    QLineEdit* field_;
    QPushButton* lookUp_;
    QProgressBar* busyIndicator_;
    QLabel* message_;
    QCheckBox* useLocation_;
    QLabel* weatherNow_;
    bool busy_ = false;
};

}  // namespace lumen::app
