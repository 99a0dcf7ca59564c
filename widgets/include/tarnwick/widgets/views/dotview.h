#pragma once

#include <QColor>
#include <QWidget>

namespace tarnwick {

/// A filled circle (account colours, unread markers). Hidden from accessibility.
class DotView : public QWidget {
    Q_OBJECT
public:
    DotView(qreal diameter, const QColor& color, QWidget* parent = nullptr);
    QColor color() const { return m_color; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_diameter;
    QColor m_color;
};

} // namespace tarnwick
