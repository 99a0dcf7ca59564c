#pragma once

#include <QWidget>

#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetcache.h"

namespace tarnwick {

/// Inbox dashboard (large): header, account grid, "RECENT" and up to five (under three accounts) or
/// four messages.
class DashboardWidgetView : public QWidget {
    Q_OBJECT
public:
    DashboardWidgetView(const WidgetCache& cache, const WidgetEnvironment& env, QWidget* parent = nullptr);
    static std::size_t messageLimit(std::size_t accountCount) { return accountCount < 3 ? 5 : 4; }
};

} // namespace tarnwick
