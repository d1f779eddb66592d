#include "ui/settings/WeatherTab.hpp"

#include "ui/settings/DataSources.hpp"

#include "app/AppModel.hpp"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

namespace lumen::app {

namespace {

// Longer text is no place name; the field and the place service both hold to it.
constexpr int kMaximumPlaceText = 200;

}  // namespace

WeatherTab::WeatherTab(AppModel& model, QWidget* parent) : SettingsPage(parent), model_(model) {
    beginSection(QStringLiteral("Place"));
    using_ = new QWidget;
    auto* usingRow = new QHBoxLayout(using_);
    usingRow->setContentsMargins(0, 0, 0, 0);
    usingRow->addWidget(new QLabel(QStringLiteral("Using")));
    placeName_ = new QLabel;
    placeName_->setAccessibleName(QStringLiteral("Using"));
    usingRow->addWidget(placeName_, 1);
    auto* remove = new QPushButton(QStringLiteral("Remove Place"));
    remove->setAccessibleName(remove->text());
    connect(remove, &QPushButton::clicked, this, [this] { model_.clearPlace(); });
    usingRow->addWidget(remove);
    addWidget(using_);
    noPlace_ = new QLabel(QStringLiteral("No place (a fair-weather sky)"));
    addWidget(noPlace_);

    auto* lookUpRow = new QWidget;
    auto* row = new QHBoxLayout(lookUpRow);
    row->setContentsMargins(0, 0, 0, 0);
    auto* fieldLabel = new QLabel(QStringLiteral("City or ZIP code"));
    field_ = new QLineEdit;
    field_->setPlaceholderText(QStringLiteral("e.g. Denver, CO or 10001"));
    field_->setAccessibleName(fieldLabel->text());
    field_->setMaxLength(kMaximumPlaceText);
    field_->setClearButtonEnabled(true);
    fieldLabel->setBuddy(field_);
    lookUp_ = new QPushButton(QStringLiteral("Look Up"));
    lookUp_->setAccessibleName(lookUp_->text());
    busyIndicator_ = new QProgressBar;
    busyIndicator_->setRange(0, 0);  // turning, without a fraction
    busyIndicator_->setMaximumWidth(60);
    busyIndicator_->setTextVisible(false);
    busyIndicator_->setAccessibleName(QStringLiteral("Looking up"));
    busyIndicator_->hide();
    row->addWidget(fieldLabel);
    row->addWidget(field_, 1);
    row->addWidget(lookUp_);
    row->addWidget(busyIndicator_);
    addWidget(lookUpRow);
    connect(field_, &QLineEdit::returnPressed, this, &WeatherTab::lookUp);
    connect(lookUp_, &QPushButton::clicked, this, &WeatherTab::lookUp);
    message_ = new QLabel;
    message_->setWordWrap(true);
    message_->setAccessibleName(QStringLiteral("Place message"));
    message_->hide();
    addWidget(message_);

    useLocation_ = addToggle(QStringLiteral("Use my location instead"), [this](bool on) { locationToggled(on); });
    addNote(QStringLiteral("Your desktop may ask for permission the first time. Lumenfall keeps only a rounded "
                           "position (about a kilometer)."));
    addNote(QStringLiteral("The place sets the real weather in Rainy Window Café and Alpine Lake, and where the sun "
                           "and moon are. Without one, scenes use your time zone and a fair-weather sky."));
    endSection();

    beginSection(QStringLiteral("Weather now"));
    weatherNow_ = addNote(QString());
    weatherNow_->setAccessibleName(QStringLiteral("Weather now"));
    endSection();

    beginSection(QStringLiteral("Data sources"));
    const QString host = model_.weather().server().host().toHtmlEscaped();
    addWidget(DataSources::label(
        QStringLiteral("Weather data from MET Norway (the Norwegian Meteorological Institute, %1), licensed under CC "
                       "BY 4.0. Lumenfall asks for the forecast at most once an hour, and only while a weather scene "
                       "is showing.")
            .arg(host)));
    addWidget(DataSources::link(DataSources::metLicence()));
    addWidget(DataSources::label(QStringLiteral("Typed places are looked up with OpenStreetMap’s Nominatim "
                                                "(© OpenStreetMap contributors). Every scene is drawn by Lumenfall’s "
                                                "own code: no video and no downloaded art.")));
    endSection();
    addStretch();
    refresh();
}

void WeatherTab::refresh() {
    const LumenSettings& settings = model_.settings();
    using_->setVisible(settings.place.has_value());
    noPlace_->setVisible(!settings.place);
    placeName_->setText(settings.place ? QString::fromStdString(settings.place->name) : QString());
    useLocation_->setChecked(settings.useLocation);
    weatherNow_->setText(QString::fromStdString(model_.weather().status()));
}

void WeatherTab::setBusy(bool busy) {
    busy_ = busy;
    lookUp_->setEnabled(!busy);
    useLocation_->setEnabled(!busy);
    busyIndicator_->setVisible(busy);
    if (busy) message_->hide();
}

void WeatherTab::finished(const std::optional<std::string>& error) {
    setBusy(false);
    message_->setText(QString::fromStdString(error.value_or("")));
    message_->setVisible(error.has_value());
    refresh();
}

void WeatherTab::lookUp() {
    if (busy_) return;
    setBusy(true);
    QPointer<WeatherTab> self(this);
    model_.lookUpPlace(field_->text().toStdString(), [self](const std::optional<std::string>& error) {
        if (self) self->finished(error);
    });
}

void WeatherTab::locationToggled(bool on) {
    if (!on) {
        model_.clearPlace();
        return;
    }
    if (busy_) return;
    setBusy(true);
    QPointer<WeatherTab> self(this);
    model_.useMyLocation([self](const std::optional<std::string>& error) {
        if (self) self->finished(error);
    });
}

}  // namespace lumen::app
