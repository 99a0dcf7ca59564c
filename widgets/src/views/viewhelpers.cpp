#include "tarnwick/widgets/views/viewhelpers.h"

#include "tarnwick/widgets/hexcolor.h"
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

QHBoxLayout* hbox(int spacing, QWidget* owner)
{
    auto* layout = new QHBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

QVBoxLayout* vbox(int spacing, QWidget* owner)
{
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

TextView* elidingText(const QString& text, const QFont& font, const QColor& color)
{
    auto* view = new TextView(text, font, color);
    view->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return view;
}

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

LinkArea* makeComposeButton(const QString& link, const WidgetEnvironment& env, QWidget* parent)
{
    auto* area = new LinkArea(link, parent);
    area->setObjectName(QStringLiteral("composeButton"));
    auto* layout = hbox(0, area);
    layout->addWidget(new SymbolView(QStringLiteral("square.and.pencil"), 12, env.primary));
    area->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    area->setAccessibleName(QStringLiteral("Compose"));
    return area;
}

LinkArea* makeAccountLink(const CachedAccount& account, QWidget* content, QWidget* parent)
{
    auto* area = new LinkArea(qs(widgetlinks::inbox(account.id)), parent);
    area->setObjectName(QStringLiteral("accountLink"));
    auto* layout = vbox(0, area);
    layout->addWidget(content);
    return area;
}

} // namespace tarnwick
