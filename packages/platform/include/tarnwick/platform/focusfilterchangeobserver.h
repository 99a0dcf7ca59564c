#pragma once

#include <QDBusConnection>
#include <QObject>

class ComFenmoorlabTarnwickInterface;

namespace tarnwick {

class BurstCoalescer;

/// Watches the session bus for the Focus filter announcement from any sender and emits changed()
/// on the thread the object lives on (the Qt event loop). Any program may send the announcement as
/// often as it likes: a burst gives one changed() once it settles (BurstCoalescer). Nothing blocks:
/// the match rule is added with the connection's own machinery.
class FocusFilterChangeObserver final : public QObject {
    Q_OBJECT
public:
    /// On the process's session bus; when that reconnects, listens on the new connection and emits
    /// changed() (an announcement may have been missed meanwhile).
    explicit FocusFilterChangeObserver(QObject* parent = nullptr);
    FocusFilterChangeObserver(const QDBusConnection& connection, QObject* parent);
    ~FocusFilterChangeObserver() override;

    /// False when the bus could not be reached; the observer then never fires.
    bool isListening() const;

Q_SIGNALS:
    void changed();

private:
    void listenOn(const QDBusConnection& connection);

    BurstCoalescer* m_burst;
    ComFenmoorlabTarnwickInterface* m_proxy = nullptr;
    bool m_listening = false;
};

} // namespace tarnwick
