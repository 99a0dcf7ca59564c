#include "tarnwick/widgets/views/brandmarkview.h"

#include <cmath>

#include <QPainter>

#include "tarnwick/brand/brandmark.h"

namespace tarnwick {

BrandMarkView::BrandMarkView(qreal width, QWidget* parent) : QWidget(parent), m_width(width)
{
    setFixedSize(sizeHint());
    setAccessibleName(QStringLiteral("Tarnwick"));
}

QSize BrandMarkView::sizeHint() const
{
    const double aspect = BrandMark(BrandMarkKind::tarnwick).aspectRatio();
    return QSize(int(std::ceil(m_width)), int(std::ceil(m_width / aspect)));
}

void BrandMarkView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const qreal scale = std::sqrt(std::abs(p.deviceTransform().determinant()));
    const auto image = BrandMark(BrandMarkKind::tarnwick).image(m_width, scale > 0 ? scale : 1.0);
    if (!image)
        return; // nothing when the mark cannot be made
    p.drawImage(QPointF(0, 0), *image);
}

} // namespace tarnwick
