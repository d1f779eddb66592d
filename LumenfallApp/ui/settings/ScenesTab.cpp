#include "ui/settings/ScenesTab.hpp"

#include "ui/settings/SceneCard.hpp"

#include "app/AppModel.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace lumen::app {

ScenesTab::ScenesTab(AppModel& model, Thumbnail thumbnail, QWidget* parent)
    : SettingsPage(parent), model_(model), thumbnail_(std::move(thumbnail)) {
    shuffle_ = addToggle(QStringLiteral("Shuffle daily (a different scene each day)"), [this](bool on) {
        model_.updateSettings([on](LumenSettings& s) { s.shuffleDaily = on; });
    });

    auto* grid = new QWidget;
    auto* cards = new QGridLayout(grid);
    cards->setContentsMargins(0, 0, 0, 0);
    cards->setSpacing(14);
    int index = 0;
    for (const SceneInfo& info : model_.catalog().scenes) {
        auto* card = new SceneCard(info);
        connect(card, &SceneCard::clicked, this, [this, card] {
            model_.selectScene(card->info());
            refresh();  // a choice that changed nothing puts the selection back
        });
        cards->addWidget(card, index / 2, index % 2, Qt::AlignTop);
        cards_.push_back(card);
        ++index;
    }
    cards->setColumnStretch(0, 1);
    cards->setColumnStretch(1, 1);
    addWidget(grid);

    auto* options = new QWidget;
    options_ = new QFormLayout(options);
    options_->setContentsMargins(0, 6, 0, 0);
    options_->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    addWidget(options);
    weather_ = addRow(QStringLiteral("Weather"));
    addStretch();
    refresh();
    refreshThumbnails();
}

void ScenesTab::refresh() {
    const LumenSettings& settings = model_.settings();
    shuffle_->setChecked(settings.shuffleDaily);
    const SceneInfo& live = model_.current();
    for (SceneCard* card : cards_) card->setLive(card->info().id == live.id);
    if (optionsFor_ != live) rebuildOptions(live);
    for (int row = 0; row < options_->rowCount(); ++row) {
        auto* picker = qobject_cast<QComboBox*>(options_->itemAt(row, QFormLayout::FieldRole)->widget());
        if (!picker) continue;
        const SceneOption& option = live.options[static_cast<std::size_t>(picker->property("option").toInt())];
        select(*picker, QString::fromStdString(settings.optionValue(option, live.id)));
    }
    weather_->parentWidget()->setVisible(live.usesWeather);
    weather_->setText(settings.place ? QString::fromStdString(model_.weather().status())
                                     : QStringLiteral("No place set (Weather tab)"));
}

void ScenesTab::rebuildOptions(const SceneInfo& live) {
    while (options_->rowCount() > 0) options_->removeRow(0);
    optionsFor_ = live;
    const SceneID scene = live.id;
    for (std::size_t index = 0; index < live.options.size(); ++index) {
        const SceneOption& option = live.options[index];
        auto* picker = new QComboBox;
        for (const auto& choice : option.choices) {
            picker->addItem(QString::fromStdString(choice.title), QString::fromStdString(choice.value));
        }
        const QString title = QString::fromStdString(option.title);
        picker->setAccessibleName(title);
        picker->setProperty("option", static_cast<int>(index));
        connect(picker, &QComboBox::activated, this, [this, picker, option, scene](int chosen) {
            const std::string value = picker->itemData(chosen).toString().toStdString();
            model_.updateSettings([&](LumenSettings& s) { s.setOptionValue(option, scene, value); });
        });
        options_->addRow(title, picker);
        if (option.help) {
            auto* help = new QLabel(QString::fromStdString(*option.help));
            styleAsNote(*help);
            options_->addRow(QString(), help);
        }
    }
}

void ScenesTab::refreshThumbnails() {
    for (SceneCard* card : cards_) card->setThumbnail(thumbnail_ ? thumbnail_(card->info()) : std::nullopt);
}

}  // namespace lumen::app
