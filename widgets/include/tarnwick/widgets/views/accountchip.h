#pragma once

#include "tarnwick/widgets/views/roundedpanel.h"

#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetcache.h"

namespace tarnwick {

/// One account as a 34-point chip: dot, name, unread count, optionally a compose button.
class AccountChip : public RoundedPanel {
    Q_OBJECT
public:
    AccountChip(const CachedAccount& account, bool showsCompose, const WidgetEnvironment& env,
                QWidget* parent = nullptr);
};

} // namespace tarnwick
