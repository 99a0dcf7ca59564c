#include "tarnwick/ui/defaulthandlerrowwidget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "tarnwick/ui/formstyle.h"

namespace tarnwick {

DefaultHandlerRowWidget::DefaultHandlerRowWidget(const DefaultHandlerRow::Item& item, const std::string& appName,
                                                 bool canClaim, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("defaultHandlerRow"));
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    m_title = new QLabel(QString::fromStdString(item.label), this);
    m_subtitle = FormStyle::caption(QString::fromStdString(DefaultHandlerRow::subtitle(item, appName, canClaim)), this);
    texts->addWidget(m_title);
    texts->addWidget(m_subtitle);
    line->addLayout(texts, 1);

    if (auto title = DefaultHandlerRow::claimButtonTitle(item, appName, canClaim)) {
        m_claim = new QPushButton(QString::fromStdString(*title), this);
        m_claim->setObjectName(QStringLiteral("claimHandler"));
        line->addWidget(m_claim, 0, Qt::AlignTop);
        connect(m_claim, &QPushButton::clicked, this, &DefaultHandlerRowWidget::claimRequested);
    }
}

} // namespace tarnwick
