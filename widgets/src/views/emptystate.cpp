#include "tarnwick/widgets/views/emptystate.h"

#include "tarnwick/widgets/views/symbolview.h"
#include "tarnwick/widgets/views/textview.h"
#include "tarnwick/widgets/views/viewhelpers.h"

namespace tarnwick {

EmptyState::EmptyState(bool caughtUp, const WidgetEnvironment& env, QWidget* parent)
    : QWidget(parent), m_caughtUp(caughtUp)
{
    setObjectName(QStringLiteral("emptyState"));
    auto* layout = vbox(6, this);
    layout->addStretch(1);
    auto* symbol = caughtUp ? new SymbolView(QStringLiteral("checkmark.circle.fill"), 22, env.green)
                            : new SymbolView(QStringLiteral("envelope"), 22, env.secondary);
    layout->addWidget(symbol, 0, Qt::AlignHCenter);
    layout->addWidget(fixedText(caughtUp ? QStringLiteral("All caught up") : QStringLiteral("Open Tarnwick to sync"),
                                WidgetEnvironment::font(11.5), env.secondary),
                      0, Qt::AlignHCenter);
    layout->addStretch(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

} // namespace tarnwick
