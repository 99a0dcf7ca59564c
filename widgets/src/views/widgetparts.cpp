#include "tarnwick/widgets/views/widgetparts.h"

#include <QBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include "tarnwick/mail/mailcategory.h"
#include "tarnwick/widgets/hexcolor.h"
#include "tarnwick/widgets/views/brandmarkview.h"
#include "tarnwick/widgets/views/symbolview.h"
#include "tarnwick/widgets/views/textview.h"
#include "tarnwick/widgets/widgetlinks.h"

namespace tarnwick {

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

QString countText(std::int64_t count)
{
    return QString::number(count);
}

QString unreadText(std::int64_t count)
{
    return QString::number(count) + QStringLiteral(" unread");
}

namespace {

QHBoxLayout* row(int spacing, QWidget* owner = nullptr)
{
    auto* layout = new QHBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

QVBoxLayout* column(int spacing, QWidget* owner = nullptr)
{
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

// One-line text that gives up width before its neighbours do.
TextView* elidingText(const QString& text, const QFont& font, const QColor& color)
{
    auto* view = new TextView(text, font, color);
    view->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return view;
}

// Text that keeps its natural width.
TextView* fixedText(const QString& text, const QFont& font, const QColor& color)
{
    auto* view = new TextView(text, font, color);
    view->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return view;
}

QColor accountColor(const CachedAccount& account, const WidgetEnvironment& env)
{
    return colorFromHex(account.color, env.accent);
}

} // namespace

LinkArea* makeComposeButton(const QString& link, const WidgetEnvironment& env, QWidget* parent)
{
    auto* area = new LinkArea(link, parent);
    area->setObjectName(QStringLiteral("composeButton"));
    auto* layout = row(0, area);
    layout->addWidget(new SymbolView(QStringLiteral("square.and.pencil"), 12, env.primary));
    area->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    area->setAccessibleName(QStringLiteral("Compose"));
    return area;
}

LinkArea* makeAccountLink(const CachedAccount& account, QWidget* content, QWidget* parent)
{
    auto* area = new LinkArea(qs(widgetlinks::inbox(account.id)), parent);
    area->setObjectName(QStringLiteral("accountLink"));
    auto* layout = column(0, area);
    layout->addWidget(content);
    return area;
}

// ---- WidgetHeader -------------------------------------------------------------------------------

WidgetHeader::WidgetHeader(std::int64_t totalUnread, bool showsName, bool showsCompose, const WidgetEnvironment& env,
                           QWidget* parent)
    : QWidget(parent)
{
    auto* layout = row(7, this);
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

// ---- EmptyState ------------------------------------------------------------------------------------

EmptyState::EmptyState(bool caughtUp, const WidgetEnvironment& env, QWidget* parent)
    : QWidget(parent), m_caughtUp(caughtUp)
{
    setObjectName(QStringLiteral("emptyState"));
    auto* layout = column(6, this);
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

// ---- AccountChip -----------------------------------------------------------------------------------

AccountChip::AccountChip(const CachedAccount& account, bool showsCompose, const WidgetEnvironment& env, QWidget* parent)
    : RoundedPanel(10, env.primaryAt(metrics::tileFill), env.primaryAt(metrics::hairline), parent)
{
    setObjectName(QStringLiteral("accountChip"));
    setFixedHeight(34);
    auto* layout = row(6, this);
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

// ---- AccountGrid -----------------------------------------------------------------------------------

AccountGrid::AccountGrid(const std::vector<CachedAccount>& accounts, bool showsCompose, const WidgetEnvironment& env,
                         QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("accountGrid"));
    auto* rows = column(8, this);
    const std::size_t shown = std::min(accounts.size(), kMaxAccounts);
    for (std::size_t i = 0; i < shown; i += 2) {
        auto* line = row(10);
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

// ---- AccountTile ------------------------------------------------------------------------------------

AccountTile::AccountTile(const CachedAccount& account, const WidgetEnvironment& env, QWidget* parent)
    : RoundedPanel(14, env.primaryAt(metrics::tileFill), env.primaryAt(metrics::hairline), parent)
{
    setObjectName(QStringLiteral("accountTile"));
    auto* layout = column(6, this);
    layout->setContentsMargins(9, 9, 9, 9);
    auto* top = row(6);
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

// ---- MessageRow --------------------------------------------------------------------------------------

MessageRow::MessageRow(const CachedMessage& message, const QColor& accent, bool showsDivider, bool stretches,
                       const WidgetEnvironment& env, QWidget* parent)
    : QWidget(parent), m_accent(accent), m_unread(message.isUnread()), m_showsDivider(showsDivider), m_env(env)
{
    setObjectName(QStringLiteral("messageRow"));
    setProperty("accessibilityValue", accessibilityValue());
    setAccessibleDescription(accessibilityValue());

    auto* layout = column(6, this);
    layout->setContentsMargins(18, 5, 10, 5);
    if (stretches)
        layout->addStretch(1);

    auto* first = row(0);
    auto* sender = elidingText(qs(message.sender),
                               WidgetEnvironment::font(11.5, m_unread ? QFont::DemiBold : QFont::Medium),
                               m_unread ? env.primary : env.secondary);
    sender->setObjectName(QStringLiteral("sender"));
    first->addWidget(sender);
    first->addSpacerItem(new QSpacerItem(4, 0, QSizePolicy::MinimumExpanding, QSizePolicy::Minimum));
    auto* date = fixedText(message.displayDate(env.now, env.timeZone, env.locale), WidgetEnvironment::font(10.5),
                           env.secondary);
    date->setObjectName(QStringLiteral("date"));
    first->addWidget(date);
    layout->addLayout(first);

    auto* second = row(4);
    auto* subject = elidingText(qs(message.subject), WidgetEnvironment::font(11), env.secondary);
    subject->setObjectName(QStringLiteral("subject"));
    subject->setTextOpacity(m_unread ? 1.0 : 0.7);
    second->addWidget(subject);
    if (m_unread) {
        auto* dot = new DotView(6, accent);
        dot->setObjectName(QStringLiteral("unreadDot"));
        second->addWidget(dot);
    }
    const MailCategory category = mailcategory::from(
        message.category ? std::optional<std::string_view>(*message.category) : std::nullopt);
    auto* symbol = new SymbolView(QString::fromLatin1(mailcategory::symbolName(category).data(),
                                                      qsizetype(mailcategory::symbolName(category).size())),
                                  10, env.tertiary);
    symbol->setObjectName(QStringLiteral("categorySymbol"));
    symbol->setAccessibleName(QString::fromLatin1(mailcategory::title(category).data(),
                                                  qsizetype(mailcategory::title(category).size())));
    second->addWidget(symbol);
    second->addStretch(1);
    layout->addLayout(second);
    if (stretches)
        layout->addStretch(1);

    setSizePolicy(QSizePolicy::Preferred, stretches ? QSizePolicy::Expanding : QSizePolicy::Fixed);
}

void MessageRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The group's rounded outline bounds the tint of the first and last rows.
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* group = qobject_cast<MessageGroup*>(w)) {
            p.setClipPath(group->shape().translated(-QPointF(mapTo(group, QPoint(0, 0)))));
            break;
        }
    }
    if (m_unread) {
        QColor tint = m_accent;
        tint.setAlphaF(0.07);
        p.fillRect(rect(), tint);
    }
    const QRectF bar(7, 5, 3, std::max(0, height() - 10));
    QPainterPath capsule;
    capsule.addRoundedRect(bar, 1.5, 1.5);
    p.fillPath(capsule, m_accent);
    if (m_showsDivider)
        p.fillRect(QRectF(18, height() - 0.5, width() - 18, 0.5), m_env.primaryAt(metrics::hairline));
}

// ---- MessageGroup ------------------------------------------------------------------------------------

MessageGroup::MessageGroup(const WidgetCache& cache, std::size_t limit, bool fillsHeight, const WidgetEnvironment& env,
                           QWidget* parent)
    : RoundedPanel(12, env.primaryAt(metrics::groupFill), env.primaryAt(metrics::hairline), parent)
{
    setObjectName(QStringLiteral("messageGroup"));
    auto* layout = column(0, this);
    const std::size_t shown = std::min(limit, cache.messages.size());
    for (std::size_t i = 0; i < shown; ++i) {
        const CachedMessage& message = cache.messages[i];
        const CachedAccount* account = cache.account(message);
        const QColor accent = account ? colorFromHex(account->color, env.accent) : env.accent;
        auto* link = new LinkArea(qs(widgetlinks::thread(message.threadId, message.accountId)));
        link->setObjectName(QStringLiteral("threadLink"));
        auto* inner = column(0, link);
        inner->addWidget(new MessageRow(message, accent, i + 1 < shown, fillsHeight, env));
        link->setSizePolicy(QSizePolicy::Preferred, fillsHeight ? QSizePolicy::Expanding : QSizePolicy::Fixed);
        layout->addWidget(link, fillsHeight ? 1 : 0);
    }
    setSizePolicy(QSizePolicy::Preferred, fillsHeight ? QSizePolicy::Expanding : QSizePolicy::Fixed);
}

// ---- BaselineRow -------------------------------------------------------------------------------------

BaselineRow::BaselineRow(std::vector<TextView*> texts, int spacing, QWidget* parent)
    : QWidget(parent), m_texts(std::move(texts)), m_spacing(spacing)
{
    for (TextView* t : m_texts)
        t->setParent(this);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // Positions depend only on the texts' own sizes, never on the row's.
    place();
}

int BaselineRow::maxAscent() const
{
    int ascent = 0;
    for (TextView* t : m_texts)
        ascent = std::max(ascent, t->baseline());
    return ascent;
}

QSize BaselineRow::sizeHint() const
{
    int width = 0, bottom = 0;
    const int ascent = maxAscent();
    for (std::size_t i = 0; i < m_texts.size(); ++i) {
        const QSize hint = m_texts[i]->sizeHint();
        width += hint.width() + (i ? m_spacing : 0);
        bottom = std::max(bottom, ascent - m_texts[i]->baseline() + hint.height());
    }
    return QSize(width, bottom);
}

void BaselineRow::place()
{
    const int ascent = maxAscent();
    int x = 0;
    for (TextView* t : m_texts) {
        const QSize hint = t->sizeHint();
        t->setGeometry(x, ascent - t->baseline(), hint.width(), hint.height());
        x += hint.width() + m_spacing;
    }
}

} // namespace tarnwick
