#pragma once

#include <QWidget>

#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetcache.h"

namespace tarnwick {

/// Brand mark, optionally "Tarnwick", a flexible space, "N unread", optionally the compose button.
class WidgetHeader : public QWidget {
    Q_OBJECT
public:
    WidgetHeader(std::int64_t totalUnread, bool showsName, bool showsCompose, const WidgetEnvironment& env,
                 QWidget* parent = nullptr);
};

} // namespace tarnwick
