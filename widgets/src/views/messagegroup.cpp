#include "tarnwick/widgets/views/messagegroup.h"

#include "tarnwick/widgets/hexcolor.h"
#include "tarnwick/widgets/views/messagerow.h"
#include "tarnwick/widgets/views/viewhelpers.h"
#include "tarnwick/widgets/widgetlinks.h"

namespace tarnwick {

MessageGroup::MessageGroup(const WidgetCache& cache, std::size_t limit, bool fillsHeight, const WidgetEnvironment& env,
                           QWidget* parent)
    : RoundedPanel(12, env.primaryAt(metrics::groupFill), env.primaryAt(metrics::hairline), parent)
{
    setObjectName(QStringLiteral("messageGroup"));
    auto* layout = vbox(0, this);
    const std::size_t shown = std::min(limit, cache.messages.size());
    for (std::size_t i = 0; i < shown; ++i) {
        const CachedMessage& message = cache.messages[i];
        const CachedAccount* account = cache.account(message);
        const QColor accent = account ? colorFromHex(account->color, env.accent) : env.accent;
        auto* link = new LinkArea(qs(widgetlinks::thread(message.threadId, message.accountId)));
        link->setObjectName(QStringLiteral("threadLink"));
        auto* inner = vbox(0, link);
        inner->addWidget(new MessageRow(message, accent, i + 1 < shown, fillsHeight, env));
        link->setSizePolicy(QSizePolicy::Preferred, fillsHeight ? QSizePolicy::Expanding : QSizePolicy::Fixed);
        layout->addWidget(link, fillsHeight ? 1 : 0);
    }
    setSizePolicy(QSizePolicy::Preferred, fillsHeight ? QSizePolicy::Expanding : QSizePolicy::Fixed);
}

} // namespace tarnwick
