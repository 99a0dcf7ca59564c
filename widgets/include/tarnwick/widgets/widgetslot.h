#pragma once

#include <functional>

#include <QTimer>
#include <QWidget>

#include "tarnwick/widgets/cacheprovider.h"
#include "tarnwick/widgets/views/widgetenvironment.h"

namespace tarnwick {

class WidgetContainer;

/// One placed widget: its kind, its configuration, its current timeline and the timer that asks for
/// the next one.
class WidgetSlot : public QWidget {
    Q_OBJECT
public:
    WidgetSlot(WidgetKind kind, ProviderContext context, std::function<WidgetEnvironment()> environment,
               QWidget* parent = nullptr);

    WidgetKind kind() const { return m_kind; }
    const Timeline& timeline() const { return m_timeline; }
    WidgetContainer* widget() const { return m_widget; }
    /// Milliseconds until the next refresh, or -1 when no refresh is scheduled.
    int msUntilRefresh() const { return m_timer.isActive() ? m_timer.remainingTime() : -1; }

    WidgetThreadFilterIntent configuration() const { return m_configuration; }
    /// Changing the configuration asks for a new timeline, as the system does after a user edit.
    void setConfiguration(const WidgetThreadFilterIntent& configuration);

public Q_SLOTS:
    /// Asks the kind's provider for its timeline now and shows the entry.
    void reloadTimeline();
    /// What the refresh timer does: reload when the timeline's refresh time has passed by the wall
    /// clock, otherwise wait for the rest (the clock was set back since the timer started).
    void refreshIfDue();

Q_SIGNALS:
    void linkActivated(const QString& link);
    void timelineReloaded();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void schedule();
    WidgetKind m_kind;
    ProviderContext m_context;
    std::function<WidgetEnvironment()> m_environment;
    WidgetThreadFilterIntent m_configuration;
    Timeline m_timeline;
    WidgetContainer* m_widget = nullptr;
    QTimer m_timer;
};

} // namespace tarnwick
