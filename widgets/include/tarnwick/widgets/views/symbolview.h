#pragma once

#include <QColor>
#include <QWidget>

namespace tarnwick {

/// A symbol image (SymbolImage) in a square of `size` points, in one colour.
class SymbolView : public QWidget {
    Q_OBJECT
public:
    SymbolView(const QString& symbolName, qreal size, const QColor& color, QWidget* parent = nullptr);

    QString symbolName() const { return m_name; }
    QColor color() const { return m_color; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_name;
    qreal m_size;
    QColor m_color;
};

} // namespace tarnwick
