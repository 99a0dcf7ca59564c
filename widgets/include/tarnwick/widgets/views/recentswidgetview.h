#pragma once

#include <QWidget>

#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetcache.h"

namespace tarnwick {

/// Recents (medium): header with compose; the first three messages.
class RecentsWidgetView : public QWidget {
    Q_OBJECT
public:
    static constexpr std::size_t kMessageLimit = 3;
    RecentsWidgetView(const WidgetCache& cache, const WidgetEnvironment& env, QWidget* parent = nullptr);
};

} // namespace tarnwick
