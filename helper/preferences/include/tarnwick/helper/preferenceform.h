#pragma once

// A preferences pane's form: a column of rows (a label with its control, a switch row, notes,
// section titles and separators), top-aligned.

#include <QString>
#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace tarnwick {

class PreferenceForm : public QWidget {
    Q_OBJECT
public:
    explicit PreferenceForm(QWidget* parent = nullptr);

    /// "<label>" on the left, `control` on the right; returns the row.
    QWidget* addRow(const QString& label, QWidget* control, const QString& toolTip = {});
    /// A switch row: its text on the left, the switch on the right.
    QWidget* addSwitch(QWidget* switchButton, const QString& toolTip = {});
    QWidget* addWidget(QWidget* widget);
    QLabel* addCaption(const QString& text);
    QLabel* addSection(const QString& title);
    QWidget* addSeparator();
    /// Pushes everything above it to the top.
    void finish();

private:
    QVBoxLayout* m_column = nullptr;
};

} // namespace tarnwick
