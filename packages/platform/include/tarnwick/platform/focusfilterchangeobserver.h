#pragma once

#include <QDBusConnection>
#include <QObject>

class ComFenmoorlabTarnwickInterface;

namespace tarnwick {

/// Watches the session bus for the Focus filter announcement from any sender and emits changed()
/// on the thread the object lives on (the Qt event loop). Nothing blocks: the match rule is added
/// with the connection's own machinery.
class FocusFilterChangeObserver final : public QObject {
    Q_OBJECT
public:
    explicit FocusFilterChangeObserver(QObject* parent = nullptr);
    FocusFilterChangeObserver(const QDBusConnection& connection, QObject* parent);
    ~FocusFilterChangeObserver() override;

    /// False when the bus could not be reached; the observer then never fires.
    bool isListening() const;

Q_SIGNALS:
    void changed();

private:
    ComFenmoorlabTarnwickInterface* m_proxy = nullptr;
    bool m_listening = false;
};

} // namespace tarnwick
