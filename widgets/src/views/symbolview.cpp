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

} // namespace tarnwick
