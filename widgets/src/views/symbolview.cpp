#include "tarnwick/widgets/views/symbolview.h"

#include <cmath>

#include <QPainter>

#include "tarnwick/brand/symbolimage.h"

namespace tarnwick {

SymbolView::SymbolView(const QString& symbolName, qreal size, const QColor& color, QWidget* parent)
    : QWidget(parent), m_name(symbolName), m_size(size), m_color(color)
{
    setFixedSize(sizeHint());
}

QSize SymbolView::sizeHint() const
{
    const int side = int(std::ceil(m_size));
    return QSize(side, side);
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QByteArray name = m_name.toUtf8();
    SymbolImage::paint(p, QRectF(rect()), std::string_view(name.constData(), size_t(name.size())), m_color);
}

DotView::DotView(qreal diameter, const QColor& color, QWidget* parent)
    : QWidget(parent), m_diameter(diameter), m_color(color)
{
    setFixedSize(sizeHint());
    setProperty("accessibilityHidden", true);
}

QSize DotView::sizeHint() const
{
    const int side = int(std::ceil(m_diameter));
    return QSize(side, side);
}

void DotView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(m_color);
    const QRectF box(QPointF(0, 0), QSizeF(m_diameter, m_diameter));
    p.drawEllipse(box.translated((width() - m_diameter) / 2, (height() - m_diameter) / 2));
}

} // namespace tarnwick
