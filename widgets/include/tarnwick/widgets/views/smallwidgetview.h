#pragma once

#include <QWidget>

#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetcache.h"

namespace tarnwick {

/// Unread (small): brand mark, the total, "unread", the first three accounts.
class SmallWidgetView : public QWidget {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxAccounts = 3;
    SmallWidgetView(const WidgetCache& cache, const WidgetEnvironment& env, QWidget* parent = nullptr);
};

} // namespace tarnwick
