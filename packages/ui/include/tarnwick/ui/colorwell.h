#pragma once

// A colour well: a small button showing a colour; clicking opens a colour dialog (without opacity)
// and a chosen colour replaces the shown one and is announced.

#include <QAbstractButton>
#include <QColor>
#include <QColorDialog>
#include <QPointer>



namespace tarnwick {

class ColorWell : public QAbstractButton {
    Q_OBJECT
public:
    explicit ColorWell(const QColor& color = Qt::gray, QWidget* parent = nullptr);

    QColor color() const { return m_color; }
    /// Shows `color` without announcing it (a value from outside).
    void setColor(const QColor& color);
    /// The open dialog, if any.
    QColorDialog* dialog() const { return m_dialog; }

    QSize sizeHint() const override;

Q_SIGNALS:
    /// The user chose a colour in the dialog.
    void colorChosen(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void openDialog();

    QColor m_color;
    QPointer<QColorDialog> m_dialog;
};

} // namespace tarnwick
