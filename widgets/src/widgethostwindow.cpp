#include "tarnwick/widgets/widgethostwindow.h"

#include <QGridLayout>
#include <QLinearGradient>
#include <QPainter>

#include "tarnwick/widgets/linkopener.h"
#include "tarnwick/widgets/views/widgetcontainer.h"

namespace tarnwick {

WidgetHostWindow::WidgetHostWindow(ProviderContext context, LinkOpener& opener,
                                   std::function<WidgetEnvironment()> environment, QWidget* parent)
    : QWidget(parent)
    , m_fingerprint(context.fingerprint)
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
    if (m_fingerprint)
        m_shown = m_fingerprint();
    for (WidgetSlot* s : m_slots)
        s->reloadTimeline();
}

void WidgetHostWindow::reloadIfChanged()
{
    if (m_fingerprint && m_fingerprint() == m_shown)
        return;
    reloadAllTimelines();
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
