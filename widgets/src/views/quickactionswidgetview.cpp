#include "tarnwick/widgets/views/quickactionswidgetview.h"

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

QuickActionsWidgetView::QuickActionsWidgetView(const WidgetCache& cache, const WidgetEnvironment& env, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = vbox(0, this);
    layout->addWidget(new WidgetHeader(cache.totalUnread, true, false, env));
    if (cache.accounts.empty()) {
        layout->addWidget(new EmptyState(false, env), 1);
        return;
    }
    if (cache.accounts.size() <= 2) {
        layout->addSpacing(10);
        auto* tiles = hbox(10);
        for (const CachedAccount& account : cache.accounts)
            tiles->addWidget(makeAccountLink(account, new AccountTile(account, env)), 1);
        layout->addLayout(tiles, 1);
        return;
    }
    layout->addSpacing(8);
    layout->addWidget(new AccountGrid(cache.accounts, true, env));
    layout->addStretch(1);
}

} // namespace tarnwick
