#include "tarnwick/widgets/views/dashboardwidgetview.h"

#include "tarnwick/widgets/hexcolor.h"
#include "tarnwick/widgets/views/accountgrid.h"
#include "tarnwick/widgets/views/accounttile.h"
#include "tarnwick/widgets/views/brandmarkview.h"
#include "tarnwick/widgets/views/dotview.h"
#include "tarnwick/widgets/views/emptystate.h"
#include "tarnwick/widgets/views/messagegroup.h"
#include "tarnwick/widgets/views/textview.h"
#include "tarnwick/widgets/views/viewhelpers.h"
#include "tarnwick/widgets/views/widgetheader.h"
#include "tarnwick/widgets/widgetlinks.h"

namespace tarnwick {

DashboardWidgetView::DashboardWidgetView(const WidgetCache& cache, const WidgetEnvironment& env, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = vbox(0, this);
    layout->addWidget(new WidgetHeader(cache.totalUnread, true, true, env));
    if (cache.accounts.empty()) {
        layout->addWidget(new EmptyState(false, env), 1);
        return;
    }
    layout->addSpacing(10);
    layout->addWidget(new AccountGrid(cache.accounts, false, env));
    layout->addSpacing(12);
    auto* recent = fixedText(QStringLiteral("RECENT"), WidgetEnvironment::font(10.5, QFont::DemiBold), env.secondary);
    recent->setObjectName(QStringLiteral("recentLabel"));
    recent->setTracking(0.35);
    layout->addWidget(recent);
    layout->addSpacing(5);
    if (cache.messages.empty()) {
        layout->addWidget(new EmptyState(cache.totalUnread == 0, env), 1);
        return;
    }
    const std::size_t limit = messageLimit(cache.accounts.size());
    const bool fills = cache.messages.size() >= limit;
    layout->addWidget(new MessageGroup(cache, limit, fills, env), fills ? 1 : 0);
    if (!fills)
        layout->addStretch(1);
}

} // namespace tarnwick
