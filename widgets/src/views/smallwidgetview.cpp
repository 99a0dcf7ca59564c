#include "tarnwick/widgets/views/smallwidgetview.h"

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

SmallWidgetView::SmallWidgetView(const WidgetCache& cache, const WidgetEnvironment& env, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = vbox(0, this);
    auto* top = hbox(0);
    top->addWidget(new BrandMarkView(18));
    top->addStretch(1);
    layout->addLayout(top);
    layout->addSpacing(8);

    auto* total = elidingText(countText(cache.totalUnread), WidgetEnvironment::font(34, QFont::DemiBold), env.primary);
    total->setObjectName(QStringLiteral("totalUnread"));
    total->setMinimumScaleFactor(0.6);
    layout->addWidget(total);
    layout->addWidget(fixedText(QStringLiteral("unread"), WidgetEnvironment::font(11), env.secondary));
    layout->addSpacing(9);

    const std::size_t shown = std::min(cache.accounts.size(), kMaxAccounts);
    for (std::size_t i = 0; i < shown; ++i) {
        const CachedAccount& account = cache.accounts[i];
        auto* line = new QWidget;
        line->setObjectName(QStringLiteral("accountRow"));
        auto* h = new QHBoxLayout(line);
        h->setContentsMargins(0, 1, 0, 1);
        h->setSpacing(5);
        h->addWidget(new DotView(6, colorFromHex(account.color, env.accent)));
        h->addWidget(elidingText(qs(account.name), WidgetEnvironment::font(10.5), env.primary));
        h->addStretch(1);
        h->addWidget(fixedText(countText(account.unreadCount), WidgetEnvironment::font(10.5, QFont::Medium), env.primary));
        layout->addWidget(makeAccountLink(account, line));
        if (i + 1 < shown)
            layout->addSpacing(2);
    }
    layout->addStretch(1);
}

} // namespace tarnwick
