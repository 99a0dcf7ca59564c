#include "tarnwick/widgets/views/messagerow.h"

#include <QPainter>
#include <QPainterPath>

#include "tarnwick/mail/mailcategory.h"
#include "tarnwick/widgets/views/dotview.h"
#include "tarnwick/widgets/views/symbolview.h"
#include "tarnwick/widgets/views/textview.h"
#include "tarnwick/widgets/views/messagegroup.h"
#include "tarnwick/widgets/views/viewhelpers.h"

namespace tarnwick {

MessageRow::MessageRow(const CachedMessage& message, const QColor& accent, bool showsDivider, bool stretches,
                       const WidgetEnvironment& env, QWidget* parent)
    : QWidget(parent), m_accent(accent), m_unread(message.isUnread()), m_showsDivider(showsDivider), m_env(env)
{
    setObjectName(QStringLiteral("messageRow"));
    setProperty("accessibilityValue", accessibilityValue());
    setAccessibleDescription(accessibilityValue());

    auto* layout = vbox(6, this);
    layout->setContentsMargins(18, 5, 10, 5);
    if (stretches)
        layout->addStretch(1);

    auto* first = hbox(0);
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

    auto* second = hbox(4);
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

} // namespace tarnwick
