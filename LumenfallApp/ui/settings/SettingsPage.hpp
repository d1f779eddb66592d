#pragma once

#include <QScrollArea>
#include <QString>
#include <QVariant>

#include <functional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QVBoxLayout;

namespace lumen::app {

// One settings tab: a column of controls, top to bottom, that scrolls when the window is small.
// Controls report only what the user does (clicked, activated), never the values refresh() code
// puts into them, so reading the model back cannot write it again.
class SettingsPage : public QScrollArea {
public:
    explicit SettingsPage(QWidget* parent = nullptr);

    // Controls after this go into a titled box, until endSection().
    void beginSection(const QString& title);
    void endSection();

    QCheckBox* addToggle(const QString& text, std::function<void(bool)> changed);
    // A titled drop-down; `chosen` gets the entry's data.
    QComboBox* addPicker(const QString& title, const std::vector<std::pair<QString, QVariant>>& entries,
                         std::function<void(const QVariant&)> chosen);
    // Help text: smaller, in the secondary colour, wrapped.
    QLabel* addNote(const QString& text);
    // "label   value" on one row widget (the value label's parent, to hide both at once);
    // returns the value's label.
    QLabel* addRow(const QString& label);
    void addWidget(QWidget* widget);
    void addStretch();

    // Marks a text as help text (smaller, secondary colour).
    static void styleAsNote(QLabel& label);
    // Selects the entry whose data is `value` without reporting it.
    static void select(QComboBox& picker, const QVariant& value);

private:
    QVBoxLayout* layout() const;

    QVBoxLayout* column_ = nullptr;
    QVBoxLayout* section_ = nullptr;
};

}  // namespace lumen::app
