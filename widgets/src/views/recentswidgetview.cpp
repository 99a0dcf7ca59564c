#include "tarnwick/widgets/views/recentswidgetview.h"

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

RecentsWidgetView::RecentsWidgetView(const WidgetCache& cache, const WidgetEnvironment& env, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = vbox(0, this);
    auto* header = hbox(7);
    header->addWidget(new BrandMarkView(18));
    header->addWidget(fixedText(QStringLiteral("Tarnwick"), WidgetEnvironment::font(12.5, QFont::DemiBold), env.primary));
    header->addStretch(1);
    header->addWidget(makeComposeButton(qs(widgetlinks::compose()), env));
    layout->addLayout(header);

    if (!cache.messages.empty()) {
        layout->addSpacing(6);
        layout->addWidget(new MessageGroup(cache, kMessageLimit, false, env));
        layout->addStretch(1);
    } else {
        layout->addWidget(new EmptyState(cache.totalUnread == 0 && !cache.accounts.empty(), env), 1);
    }
}

} // namespace tarnwick
