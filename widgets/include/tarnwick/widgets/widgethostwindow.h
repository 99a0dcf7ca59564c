#pragma once

// The desktop window of tarnwick-widgets: the four widgets side by side, each showing the one entry
// of its timeline until the timeline's refresh time passes or a reload is requested.

#include <array>
#include <functional>

#include <QWidget>

#include "tarnwick/widgets/cacheprovider.h"
#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetslot.h"

namespace tarnwick {

class LinkOpener;


class WidgetHostWindow : public QWidget {
    Q_OBJECT
public:
    WidgetHostWindow(ProviderContext context, LinkOpener& opener,
                     std::function<WidgetEnvironment()> environment = &WidgetEnvironment::current,
                     QWidget* parent = nullptr);

    WidgetSlot* slot(WidgetKind kind) const { return m_slots[static_cast<std::size_t>(kind)]; }

public Q_SLOTS:
    /// Every widget asks for its timeline again.
    void reloadAllTimelines();
    /// A reload requested from outside (any program on the bus may ask, as often as it likes): the
    /// widgets reload, and log, only when the snapshot changed since they last did.
    void reloadIfChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<WidgetSlot*, 4> m_slots{};
    std::function<std::string()> m_fingerprint;
    std::string m_shown;  ///< the fingerprint of the snapshot last loaded
};

} // namespace tarnwick
