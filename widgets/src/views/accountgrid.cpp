#include "tarnwick/widgets/views/accountgrid.h"

#include "tarnwick/widgets/views/accountchip.h"
#include "tarnwick/widgets/views/viewhelpers.h"

namespace tarnwick {

AccountGrid::AccountGrid(const std::vector<CachedAccount>& accounts, bool showsCompose, const WidgetEnvironment& env,
                         QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("accountGrid"));
    auto* rows = vbox(8, this);
    const std::size_t shown = std::min(accounts.size(), kMaxAccounts);
    for (std::size_t i = 0; i < shown; i += 2) {
        auto* line = hbox(10);
        line->addWidget(makeAccountLink(accounts[i], new AccountChip(accounts[i], showsCompose, env)), 1);
        if (i + 1 < shown) {
            line->addWidget(makeAccountLink(accounts[i + 1], new AccountChip(accounts[i + 1], showsCompose, env)), 1);
        } else {
            // An invisible half so the lone chip keeps half the width.
            auto* filler = new QWidget;
            filler->setObjectName(QStringLiteral("gridFiller"));
            filler->setFixedHeight(34);
            filler->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            line->addWidget(filler, 1);
        }
        rows->addLayout(line);
    }
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

} // namespace tarnwick
