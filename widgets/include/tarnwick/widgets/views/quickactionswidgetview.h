#pragma once

#include <QWidget>

#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetcache.h"

namespace tarnwick {

/// Quick actions (medium): header with the name; tiles for one or two accounts, a grid from three.
class QuickActionsWidgetView : public QWidget {
    Q_OBJECT
public:
    QuickActionsWidgetView(const WidgetCache& cache, const WidgetEnvironment& env, QWidget* parent = nullptr);
};

} // namespace tarnwick
