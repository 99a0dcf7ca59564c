#pragma once

// Building a widget for a snapshot and drawing it into an image.

#include <memory>

#include <QImage>

#include "tarnwick/widgets/views/widgetcontainer.h"

namespace tarnwick {

/// The view of `kind` for `cache` in its container, laid out at its family size.
std::unique_ptr<WidgetContainer> makeWidget(WidgetKind kind, const WidgetCache& cache, const WidgetEnvironment& env);

/// The widget drawn into a transparent image at `devicePixelRatio` pixels per point (the image
/// carries that ratio, so it is sharp at 2x).
QImage renderWidget(QWidget& widget, qreal devicePixelRatio);

} // namespace tarnwick
