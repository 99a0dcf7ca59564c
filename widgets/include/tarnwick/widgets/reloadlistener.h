#pragma once

#include <QDBusConnection>
#include <QObject>

class ComFenmoorlabTarnwickWidgetsInterface;

namespace tarnwick {

namespace reloadsignal {
inline constexpr const char* kPath = "/com/fenmoorlab/tarnwick/widgets";
inline constexpr const char* kInterface = "com.fenmoorlab.tarnwick.widgets";
inline constexpr const char* kMember = "reloadAllTimelines";
} // namespace reloadsignal

/// Listens on the session bus for "reloadAllTimelines" from any sender and emits reloadRequested() on
/// the object's thread, once per burst (BurstCoalescer). Nothing blocks: the match rule goes through
/// the connection's own machinery.
class ReloadListener final : public QObject {
    Q_OBJECT
public:
    explicit ReloadListener(QObject* parent = nullptr);
    ReloadListener(const QDBusConnection& connection, QObject* parent);
    ~ReloadListener() override;

    /// False when the bus could not be reached; the listener then never fires.
    bool isListening() const { return m_listening; }

Q_SIGNALS:
    void reloadRequested();

private:
    ComFenmoorlabTarnwickWidgetsInterface* m_proxy = nullptr;
    bool m_listening = false;
};

} // namespace tarnwick
