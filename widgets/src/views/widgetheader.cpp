#include "tarnwick/widgets/views/widgetheader.h"

#include "tarnwick/widgets/views/brandmarkview.h"
#include "tarnwick/widgets/views/textview.h"
#include "tarnwick/widgets/views/viewhelpers.h"
#include "tarnwick/widgets/widgetlinks.h"

namespace tarnwick {

WidgetHeader::WidgetHeader(std::int64_t totalUnread, bool showsName, bool showsCompose, const WidgetEnvironment& env,
                           QWidget* parent)
    : QWidget(parent)
{
    auto* layout = hbox(7, this);
    layout->addWidget(new BrandMarkView(18));
    if (showsName)
        layout->addWidget(fixedText(QStringLiteral("Tarnwick"), WidgetEnvironment::font(12.5, QFont::DemiBold),
                                    env.primary));
    layout->addStretch(1);
    layout->addWidget(fixedText(unreadText(totalUnread), WidgetEnvironment::font(11.5), env.secondary));
    if (showsCompose) {
        layout->addSpacing(3);
        layout->addWidget(makeComposeButton(qs(widgetlinks::compose()), env));
    }
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

} // namespace tarnwick
