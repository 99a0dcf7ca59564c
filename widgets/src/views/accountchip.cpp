#include "tarnwick/widgets/views/accountchip.h"

#include "tarnwick/widgets/views/dotview.h"
#include "tarnwick/widgets/views/textview.h"
#include "tarnwick/widgets/views/viewhelpers.h"
#include "tarnwick/widgets/widgetlinks.h"

namespace tarnwick {

AccountChip::AccountChip(const CachedAccount& account, bool showsCompose, const WidgetEnvironment& env, QWidget* parent)
    : RoundedPanel(10, env.primaryAt(metrics::tileFill), env.primaryAt(metrics::hairline), parent)
{
    setObjectName(QStringLiteral("accountChip"));
    setFixedHeight(34);
    auto* layout = hbox(6, this);
    layout->setContentsMargins(9, 0, 9, 0);
    layout->addWidget(new DotView(7, accountColor(account, env)));
    layout->addWidget(elidingText(qs(account.name), WidgetEnvironment::font(11.5, QFont::Medium), env.primary));
    layout->addStretch(1);
    layout->addWidget(fixedText(countText(account.unreadCount), WidgetEnvironment::font(18, QFont::DemiBold),
                                env.primary));
    if (showsCompose)
        layout->addWidget(makeComposeButton(qs(widgetlinks::compose(account.id)), env));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

} // namespace tarnwick
