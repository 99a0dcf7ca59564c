#include "tarnwick/widgets/views/widgetrenderer.h"

#include <QLayout>

namespace tarnwick {

namespace {

// A widget that was never shown has no laid-out children yet; lay the tree out top-down now, parents
// first, so inspection and rendering see the final geometry.
void layOut(QWidget& widget)
{
    widget.ensurePolished();
    if (widget.layout())
        widget.layout()->activate();
    for (QWidget* child : widget.findChildren<QWidget*>()) {
        child->ensurePolished();
        if (child->layout())
            child->layout()->activate();
    }
}

} // namespace

std::unique_ptr<WidgetContainer> makeWidget(WidgetKind kind, const WidgetCache& cache, const WidgetEnvironment& env)
{
    auto widget = std::make_unique<WidgetContainer>(kind, cache, env);
    layOut(*widget);
    return widget;
}

QImage renderWidget(QWidget& widget, qreal devicePixelRatio)
{
    layOut(widget);
    const QSize points = widget.size();
    QImage image(points * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace tarnwick
