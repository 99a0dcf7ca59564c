#pragma once

// Whether the desktop's Do Not Disturb is on: on while any of its sources says so (GNOME's setting,
// the notification server's Inhibited property, dunst's pause). Reports each change of the combined
// state once. Main thread only.

#include <QObject>
#include <vector>

namespace tarnwick {

class DoNotDisturbSource;

class DoNotDisturbWatcher : public QObject {
    Q_OBJECT
public:
    /// With no sources; add them with addSource().
    explicit DoNotDisturbWatcher(QObject* parent = nullptr);
    /// The sources of this desktop on the session bus and in GSettings; the bus's are made anew when
    /// the session bus reconnects.
    static DoNotDisturbWatcher* forDesktop(QObject* parent = nullptr);

    /// Takes ownership.
    void addSource(DoNotDisturbSource* source);
    /// Deletes a source added before.
    void removeSource(DoNotDisturbSource* source);
    bool active() const { return m_active; }

Q_SIGNALS:
    void activeChanged(bool active);

private:
    void update();

    std::vector<DoNotDisturbSource*> m_sources;
    bool m_active = false;
};

} // namespace tarnwick
