#pragma once

#include "tarnwick/widgets/views/roundedpanel.h"

#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetcache.h"

namespace tarnwick {

/// One account as a tile for the quick-actions widget: dot, name, compose; count over "unread".
class AccountTile : public RoundedPanel {
    Q_OBJECT
public:
    AccountTile(const CachedAccount& account, const WidgetEnvironment& env, QWidget* parent = nullptr);
};

} // namespace tarnwick
