#pragma once

#include <QWidget>

#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetcache.h"

namespace tarnwick {

/// Centred symbol and message: "All caught up" (green check) or "Open Tarnwick to sync" (envelope).
class EmptyState : public QWidget {
    Q_OBJECT
public:
    EmptyState(bool caughtUp, const WidgetEnvironment& env, QWidget* parent = nullptr);
    bool caughtUp() const { return m_caughtUp; }

private:
    bool m_caughtUp;
};

} // namespace tarnwick
