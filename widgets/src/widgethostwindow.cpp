#include "tarnwick/widgets/widgethostwindow.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

#include "tarnwick/widgets/linkopener.h"
#include "tarnwick/widgets/views/widgetviews.h"

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

WidgetHostWindow::WidgetHostWindow(ProviderContext context, LinkOpener& opener,
                                   std::function<WidgetEnvironment()> environment, QWidget* parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Tarnwick Widgets"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(28, 28, 28, 28);
    grid->setSpacing(20);
    for (const WidgetKindInfo& info : widgetkind::allKinds) {
        auto* slot = new WidgetSlot(info.kind, context, environment);
        connect(slot, &WidgetSlot::linkActivated, this, [&opener](const QString& link) { opener.open(link); });
        m_slots[static_cast<std::size_t>(info.kind)] = slot;
    }
    // Small and medium widgets on the left, the large dashboard on the right.
    grid->addWidget(slot(WidgetKind::unread), 0, 0, Qt::AlignTop | Qt::AlignLeft);
    grid->addWidget(slot(WidgetKind::quickActions), 1, 0, Qt::AlignTop | Qt::AlignLeft);
    grid->addWidget(slot(WidgetKind::recents), 2, 0, Qt::AlignTop | Qt::AlignLeft);
    grid->addWidget(slot(WidgetKind::dashboard), 0, 1, 3, 1, Qt::AlignTop | Qt::AlignLeft);
    reloadAllTimelines();
}

void WidgetHostWindow::reloadAllTimelines()
{
    for (WidgetSlot* s : m_slots)
        s->reloadTimeline();
}

void WidgetHostWindow::paintEvent(QPaintEvent*)
{
    // A quiet desktop-like backdrop so the cards read as widgets.
    QPainter p(this);
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    QLinearGradient backdrop(rect().topLeft(), rect().bottomRight());
    backdrop.setColorAt(0, dark ? QColor(34, 40, 56) : QColor(214, 226, 240));
    backdrop.setColorAt(1, dark ? QColor(22, 24, 32) : QColor(236, 226, 232));
    p.fillRect(rect(), backdrop);
}

} // namespace tarnwick
