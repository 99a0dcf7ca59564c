#pragma once

#include <QColor>
#include <QPainterPath>
#include <QWidget>

namespace tarnwick {

/// A rounded rectangle behind its children: a fill and an optional 1-point border inside the edge.
class RoundedPanel : public QWidget {
    Q_OBJECT
public:
    RoundedPanel(qreal radius, const QColor& fill, const QColor& border, QWidget* parent = nullptr);
    qreal radius() const { return m_radius; }
    /// The panel's outline in its own coordinates (children clip their backgrounds to it).
    QPainterPath shape() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_radius;
    QColor m_fill;
    QColor m_border;
};

} // namespace tarnwick
