#include "ui/settings/SettingsPage.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace lumen::app {

SettingsPage::SettingsPage(QWidget* parent) : QScrollArea(parent) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget;
    column_ = new QVBoxLayout(content);
    column_->setSpacing(10);
    setWidget(content);
}

QVBoxLayout* SettingsPage::layout() const { return section_ ? section_ : column_; }

void SettingsPage::beginSection(const QString& title) {
    auto* box = new QGroupBox(title);
    box->setAccessibleName(title);
    column_->addWidget(box);
    section_ = new QVBoxLayout(box);
}

void SettingsPage::endSection() { section_ = nullptr; }

QCheckBox* SettingsPage::addToggle(const QString& text, std::function<void(bool)> changed) {
    auto* toggle = new QCheckBox(text);
    toggle->setAccessibleName(text);
    QObject::connect(toggle, &QCheckBox::clicked, toggle, std::move(changed));
    layout()->addWidget(toggle);
    return toggle;
}

QComboBox* SettingsPage::addPicker(const QString& title, const std::vector<std::pair<QString, QVariant>>& entries,
                                   std::function<void(const QVariant&)> chosen) {
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(title);
    auto* picker = new QComboBox;
    for (const auto& [text, value] : entries) picker->addItem(text, value);
    picker->setAccessibleName(title);
    label->setBuddy(picker);
    QObject::connect(picker, &QComboBox::activated, picker,
                     [picker, chosen = std::move(chosen)](int index) { chosen(picker->itemData(index)); });
    row->addWidget(label);
    row->addWidget(picker);
    row->addStretch();
    layout()->addLayout(row);
    return picker;
}

void SettingsPage::styleAsNote(QLabel& label) {
    label.setWordWrap(true);
    QFont font = label.font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label.setFont(font);
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label.setPalette(palette);
}

QLabel* SettingsPage::addNote(const QString& text) {
    auto* note = new QLabel(text);
    styleAsNote(*note);
    layout()->addWidget(note);
    return note;
}

QLabel* SettingsPage::addRow(const QString& label) {
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    auto* value = new QLabel;
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setAccessibleName(label);
    value->setWordWrap(true);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    line->addWidget(new QLabel(label));
    line->addWidget(value, 1);
    layout()->addWidget(row);
    return value;
}

void SettingsPage::addWidget(QWidget* widget) { layout()->addWidget(widget); }

void SettingsPage::addStretch() { column_->addStretch(); }

void SettingsPage::select(QComboBox& picker, const QVariant& value) {
    const QSignalBlocker quiet(picker);
    picker.setCurrentIndex(picker.findData(value));
}

}  // namespace lumen::app
