#include "tarnwick/widgets/views/accounttile.h"

#include "tarnwick/widgets/views/baselinerow.h"
#include "tarnwick/widgets/views/dotview.h"
#include "tarnwick/widgets/views/textview.h"
#include "tarnwick/widgets/views/viewhelpers.h"
#include "tarnwick/widgets/widgetlinks.h"

namespace tarnwick {

AccountTile::AccountTile(const CachedAccount& account, const WidgetEnvironment& env, QWidget* parent)
    : RoundedPanel(14, env.primaryAt(metrics::tileFill), env.primaryAt(metrics::hairline), parent)
{
    setObjectName(QStringLiteral("accountTile"));
    auto* layout = vbox(6, this);
    layout->setContentsMargins(9, 9, 9, 9);
    auto* top = hbox(6);
    top->addWidget(new DotView(7, accountColor(account, env)));
    top->addWidget(elidingText(qs(account.name), WidgetEnvironment::font(12, QFont::Medium), env.primary));
    top->addStretch(1);
    top->addWidget(makeComposeButton(qs(widgetlinks::compose(account.id)), env));
    layout->addLayout(top);
    // A tall tile keeps its name at the top and its count at the bottom.
    layout->addStretch(1);
    auto* count = new BaselineRow({fixedText(countText(account.unreadCount), WidgetEnvironment::font(24, QFont::DemiBold),
                                             env.primary),
                                   fixedText(QStringLiteral("unread"), WidgetEnvironment::font(10), env.secondary)},
                                  4);
    layout->addWidget(count, 0, Qt::AlignLeft);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

} // namespace tarnwick
