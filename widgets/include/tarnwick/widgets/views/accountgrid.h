#pragma once

#include <QWidget>

#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetcache.h"

namespace tarnwick {

/// The first four accounts as chips, two per row; a lone chip in a row stays half wide.
class AccountGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxAccounts = 4;
    AccountGrid(const std::vector<CachedAccount>& accounts, bool showsCompose, const WidgetEnvironment& env,
                QWidget* parent = nullptr);
};

} // namespace tarnwick
