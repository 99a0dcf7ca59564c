#pragma once

// One place where the desktop says whether Do Not Disturb is on: a settings key, a notification
// server's property. A source that cannot be read counts as off.

#include <QObject>

namespace tarnwick {

class DoNotDisturbSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    /// Whether this source says Do Not Disturb is on now.
    virtual bool active() const = 0;

Q_SIGNALS:
    /// active() may have changed.
    void changed();
};

} // namespace tarnwick
