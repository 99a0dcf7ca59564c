#include "tarnwick/widgets/views/widgetviews.h"

#include <QBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include "tarnwick/widgets/hexcolor.h"
#include "tarnwick/widgets/views/brandmarkview.h"
#include "tarnwick/widgets/views/linkarea.h"
#include "tarnwick/widgets/views/symbolview.h"
#include "tarnwick/widgets/views/textview.h"
#include "tarnwick/widgets/views/widgetparts.h"
#include "tarnwick/widgets/widgetlinks.h"

namespace tarnwick {
namespace {

QVBoxLayout* column(int spacing, QWidget* owner)
{
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

QHBoxLayout* row(int spacing)
{
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

TextView* text(const QString& s, const QFont& font, const QColor& color, QSizePolicy::Policy horizontal)
{
    auto* view = new TextView(s, font, color);
    view->setSizePolicy(horizontal, QSizePolicy::Fixed);
    return view;
}

} // namespace

// ---- Small ------------------------------------------------------------------------------------------

SmallWidgetView::SmallWidgetView(const WidgetCache& cache, const WidgetEnvironment& env, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = column(0, this);
    auto* top = row(0);
    top->addWidget(new BrandMarkView(18));
    top->addStretch(1);
    layout->addLayout(top);
    layout->addSpacing(8);

    auto* total = text(countText(cache.totalUnread), WidgetEnvironment::font(34, QFont::DemiBold), env.primary,
                       QSizePolicy::Preferred);
    total->setObjectName(QStringLiteral("totalUnread"));
    total->setMinimumScaleFactor(0.6);
    layout->addWidget(total);
    layout->addWidget(text(QStringLiteral("unread"), WidgetEnvironment::font(11), env.secondary, QSizePolicy::Fixed));
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
        h->addWidget(text(qs(account.name), WidgetEnvironment::font(10.5), env.primary, QSizePolicy::Preferred));
        h->addStretch(1);
        h->addWidget(text(countText(account.unreadCount), WidgetEnvironment::font(10.5, QFont::Medium), env.primary,
                          QSizePolicy::Fixed));
        layout->addWidget(makeAccountLink(account, line));
        if (i + 1 < shown)
            layout->addSpacing(2);
    }
    layout->addStretch(1);
}

// ---- Quick actions ------------------------------------------------------------------------------------

QuickActionsWidgetView::QuickActionsWidgetView(const WidgetCache& cache, const WidgetEnvironment& env, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = column(0, this);
    layout->addWidget(new WidgetHeader(cache.totalUnread, true, false, env));
    if (cache.accounts.empty()) {
        layout->addWidget(new EmptyState(false, env), 1);
        return;
    }
    if (cache.accounts.size() <= 2) {
        layout->addSpacing(10);
        auto* tiles = row(10);
        for (const CachedAccount& account : cache.accounts)
            tiles->addWidget(makeAccountLink(account, new AccountTile(account, env)), 1);
        layout->addLayout(tiles, 1);
        return;
    }
    layout->addSpacing(8);
    layout->addWidget(new AccountGrid(cache.accounts, true, env));
    layout->addStretch(1);
}

// ---- Recents ------------------------------------------------------------------------------------------

RecentsWidgetView::RecentsWidgetView(const WidgetCache& cache, const WidgetEnvironment& env, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = column(0, this);
    auto* header = row(7);
    header->addWidget(new BrandMarkView(18));
    header->addWidget(text(QStringLiteral("Tarnwick"), WidgetEnvironment::font(12.5, QFont::DemiBold), env.primary,
                           QSizePolicy::Fixed));
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

// ---- Dashboard ----------------------------------------------------------------------------------------

DashboardWidgetView::DashboardWidgetView(const WidgetCache& cache, const WidgetEnvironment& env, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = column(0, this);
    layout->addWidget(new WidgetHeader(cache.totalUnread, true, true, env));
    if (cache.accounts.empty()) {
        layout->addWidget(new EmptyState(false, env), 1);
        return;
    }
    layout->addSpacing(10);
    layout->addWidget(new AccountGrid(cache.accounts, false, env));
    layout->addSpacing(12);
    auto* recent = text(QStringLiteral("RECENT"), WidgetEnvironment::font(10.5, QFont::DemiBold), env.secondary,
                        QSizePolicy::Fixed);
    recent->setObjectName(QStringLiteral("recentLabel"));
    recent->setTracking(0.35);
    layout->addWidget(recent);
    layout->addSpacing(5);
    if (cache.messages.empty()) {
        layout->addWidget(new EmptyState(cache.totalUnread == 0, env), 1);
        return;
    }
    const std::size_t limit = messageLimit(cache.accounts.size());
    const bool fills = cache.messages.size() >= limit;
    layout->addWidget(new MessageGroup(cache, limit, fills, env), fills ? 1 : 0);
    if (!fills)
        layout->addStretch(1);
}

// ---- Container -------------------------------------------------------------------------------------------

WidgetContainer::WidgetContainer(WidgetKind kind, const WidgetCache& cache, const WidgetEnvironment& env,
                                 QWidget* parent)
    : QWidget(parent), m_kind(kind), m_env(env)
{
    setObjectName(QString::fromLatin1(widgetkind::info(kind).shortName.data(),
                                      qsizetype(widgetkind::info(kind).shortName.size())));
    setAttribute(Qt::WA_TranslucentBackground);
    auto* outer = column(0, this);
    QWidget* host = this;
    if (kind == WidgetKind::unread) {
        m_area = new LinkArea(qs(widgetlinks::inbox()));
        m_area->setObjectName(QStringLiteral("widgetLink"));
        outer->addWidget(m_area);
        host = m_area;
    }
    auto* inner = host == this ? outer : column(0, host);
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

namespace {

// A widget that was never shown has no laid-out children yet; lay the tree out top-down now, parents
// first, so inspection and rendering see the final geometry.
void layOut(QWidget& widget)
{
    widget.ensurePolished();
    if (widget.layout())
        widget.layout()->activate();
    for (QWidget* child : widget.findChildren<QWidget*>()) {
        child->ensurePolished();
        if (child->layout())
            child->layout()->activate();
    }
}

} // namespace

std::unique_ptr<WidgetContainer> makeWidget(WidgetKind kind, const WidgetCache& cache, const WidgetEnvironment& env)
{
    auto widget = std::make_unique<WidgetContainer>(kind, cache, env);
    layOut(*widget);
    return widget;
}

QImage renderWidget(QWidget& widget, qreal devicePixelRatio)
{
    layOut(widget);
    const QSize points = widget.size();
    QImage image(points * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace tarnwick
