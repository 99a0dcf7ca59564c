#pragma once

#include "tarnwick/widgets/views/roundedpanel.h"

#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetcache.h"

namespace tarnwick {

/// The first `limit` messages, each a row inside a link to its thread, on a rounded panel.
class MessageGroup : public RoundedPanel {
    Q_OBJECT
public:
    MessageGroup(const WidgetCache& cache, std::size_t limit, bool fillsHeight, const WidgetEnvironment& env,
                 QWidget* parent = nullptr);
};

} // namespace tarnwick
