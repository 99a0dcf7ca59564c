#include "tarnwick/widgets/widgetslot.h"

#include <limits>

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QVBoxLayout>

#include "tarnwick/widgets/views/widgetcontainer.h"
#include "tarnwick/widgets/views/widgetrenderer.h"

namespace tarnwick {

WidgetSlot::WidgetSlot(WidgetKind kind, ProviderContext context, std::function<WidgetEnvironment()> environment,
                       QWidget* parent)
    : QWidget(parent), m_kind(kind), m_context(std::move(context)), m_environment(std::move(environment))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setFixedSize(WidgetContainer::familySize(widgetkind::info(kind).family));
    m_timer.setSingleShot(true);
    // Precise, because a late refresh shows stale counts; the timer fires once per 15 minutes.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &WidgetSlot::refreshIfDue);
    const WidgetKindInfo& info = widgetkind::info(kind);
    setToolTip(QString::fromUtf8(info.displayName.data(), qsizetype(info.displayName.size())) + QStringLiteral(" — ") +
               QString::fromUtf8(info.description.data(), qsizetype(info.description.size())));
    // The placeholder until the first timeline arrives.
    const CacheEntry placeholder = widgetkind::info(kind).configurable
                                       ? ThreadListCacheProvider(m_context).placeholder()
                                       : CacheProvider(m_context).placeholder();
    m_timeline.entries = {placeholder};
}

void WidgetSlot::setConfiguration(const WidgetThreadFilterIntent& configuration)
{
    if (m_configuration.unreadOnly == configuration.unreadOnly)
        return;
    m_configuration = configuration;
    reloadTimeline();
}

void WidgetSlot::reloadTimeline()
{
    m_timeline = requestTimeline(m_kind, m_context, m_configuration);
    const WidgetCache& cache = m_timeline.entries.empty() ? WidgetCache() : m_timeline.entries.front().cache;
    auto widget = makeWidget(m_kind, cache, m_environment());
    connect(widget.get(), &WidgetContainer::linkActivated, this, &WidgetSlot::linkActivated);
    if (m_widget) {
        layout()->removeWidget(m_widget);
        m_widget->deleteLater();
    }
    m_widget = widget.release();
    layout()->addWidget(m_widget);

    schedule();
    Q_EMIT timelineReloaded();
}

void WidgetSlot::schedule()
{
    const qint64 wait = m_context.now().msecsTo(m_timeline.reloadAfter);
    m_timer.start(int(std::clamp<qint64>(wait, 0, std::numeric_limits<int>::max())));
}

void WidgetSlot::refreshIfDue()
{
    if (m_context.now() >= m_timeline.reloadAfter)
        reloadTimeline();
    else
        schedule();
}

void WidgetSlot::contextMenuEvent(QContextMenuEvent* event)
{
    if (!widgetkind::info(m_kind).configurable)
        return;
    QMenu menu(this);
    menu.addSection(QString::fromLatin1(WidgetThreadFilterIntent::title.data(),
                                        qsizetype(WidgetThreadFilterIntent::title.size())));
    QAction* unreadOnly = menu.addAction(QString::fromLatin1(WidgetThreadFilterIntent::unreadOnlyTitle.data(),
                                                             qsizetype(WidgetThreadFilterIntent::unreadOnlyTitle.size())));
    unreadOnly->setCheckable(true);
    unreadOnly->setChecked(m_configuration.unreadOnly);
    if (menu.exec(event->globalPos()) == unreadOnly)
        setConfiguration(WidgetThreadFilterIntent{unreadOnly->isChecked()});
}

} // namespace tarnwick
