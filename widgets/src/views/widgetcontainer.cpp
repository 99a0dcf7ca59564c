#include "tarnwick/widgets/views/widgetcontainer.h"

#include <QPainter>
#include <QPainterPath>

#include "tarnwick/widgets/views/dashboardwidgetview.h"
#include "tarnwick/widgets/views/linkarea.h"
#include "tarnwick/widgets/views/quickactionswidgetview.h"
#include "tarnwick/widgets/views/recentswidgetview.h"
#include "tarnwick/widgets/views/smallwidgetview.h"
#include "tarnwick/widgets/views/viewhelpers.h"
#include "tarnwick/widgets/widgetlinks.h"

namespace tarnwick {

WidgetContainer::WidgetContainer(WidgetKind kind, const WidgetCache& cache, const WidgetEnvironment& env,
                                 QWidget* parent)
    : QWidget(parent), m_kind(kind), m_env(env)
{
    setObjectName(QString::fromLatin1(widgetkind::info(kind).shortName.data(),
                                      qsizetype(widgetkind::info(kind).shortName.size())));
    setAttribute(Qt::WA_TranslucentBackground);
    auto* outer = vbox(0, this);
    QWidget* host = this;
    if (kind == WidgetKind::unread) {
        m_area = new LinkArea(qs(widgetlinks::inbox()));
        m_area->setObjectName(QStringLiteral("widgetLink"));
        outer->addWidget(m_area);
        host = m_area;
    }
    auto* inner = host == this ? outer : vbox(0, host);
    inner->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    switch (kind) {
    case WidgetKind::unread: m_content = new SmallWidgetView(cache, env); break;
    case WidgetKind::quickActions: m_content = new QuickActionsWidgetView(cache, env); break;
    case WidgetKind::recents: m_content = new RecentsWidgetView(cache, env); break;
    case WidgetKind::dashboard: m_content = new DashboardWidgetView(cache, env); break;
    }
    m_content->setObjectName(QStringLiteral("content"));
    inner->addWidget(m_content);

    for (LinkArea* area : findChildren<LinkArea*>())
        connect(area, &LinkArea::activated, this, &WidgetContainer::linkActivated);
    setFixedSize(familySize(widgetkind::info(kind).family));
}

std::optional<QString> WidgetContainer::wholeWidgetLink() const
{
    return m_area ? m_area->link() : std::nullopt;
}

QSize WidgetContainer::familySize(WidgetFamily family)
{
    switch (family) {
    case WidgetFamily::small: return QSize(170, 170);
    case WidgetFamily::medium: return QSize(364, 170);
    case WidgetFamily::large: return QSize(364, 382);
    }
    return QSize(170, 170);
}

void WidgetContainer::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    p.fillPath(card, m_env.background);
    // The card's tertiary fill: a faint wash of the text colour over the card.
    p.fillPath(card, m_env.primaryAt(m_env.dark ? 0.06 : 0.025));
    QPainterPath edge;
    edge.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius - 0.5, kCornerRadius - 0.5);
    p.strokePath(edge, QPen(m_env.primaryAt(m_env.dark ? 0.14 : 0.09), 1.0));
}

} // namespace tarnwick
