#pragma once

// The notification service on Linux: org.freedesktop.Notifications on the session bus.
//
// - add() becomes Notify: summary = title, subtitle and body joined into the body (escaped, with the
//   subtitle in bold, only when the server advertises "body-markup"), actions = "default" plus the
//   category's actions with their titles, hints "desktop-entry", "image-path" (the first image
//   attachment), "sound-name" for the default sound or "suppress-sound", "x-tarnwick-thread", and
//   "urgency" critical for content that breaks through Do Not Disturb.
//   A request whose identifier is still shown replaces that notification. replaceDelivered() does
//   that only while the notification is still shown or on its way, and states the urgency outright,
//   so a notification that broke through Do Not Disturb becomes an ordinary one in place.
// - The server's ids are remembered per request identifier for removeDelivered()/removePending()
//   (CloseNotification). Notify calls made before the server's capabilities are known wait for them;
//   until its reply arrives a request counts as pending. At most kMaxCallsInFlight calls are out at
//   once (the bus caps a client's calls awaiting replies); at most kMaxShown notifications are
//   remembered and at most that many requests wait, so a flood costs bounded memory.
// - ActionInvoked becomes a response with the action key; NotificationClosed with reason 2 (dismissed
//   by the user) a response with the dismiss identifier, unless the user already chose an action on
//   it. Closing for any other reason produces nothing. QtDBus may hand us a signal before the reply
//   of the Notify call it is about, so signals for unknown ids wait while calls are in flight.
// - "Authorization" is the server answering GetCapabilities; org.freedesktop.DBus.Error.AccessDenied
//   counts as a refusal, any other error (no server on the bus, no bus at all) is reported as an
//   error. Every call is answered through its completion, later, on the main thread.
// - Attachment files handed to add() belong to this object: each is removed once its notification is
//   closed, withdrawn, replaced or failed to post, and whatever is left when the application quits
//   (or this object goes away). The server does not take files over, so nobody else would. Shared
//   attachments (one picture for many notifications) are left to their maker.
//
// Main thread only; no call blocks on the bus.

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>

#include "tarnwick/notifications/notificationcenter.h"

class OrgFreedesktopNotificationsInterface;
class QDBusPendingCall;
class QDBusServiceWatcher;
class QDBusError;

namespace tarnwick {

class FreedesktopNotificationCenter final : public QObject, public NotificationCenter {
    Q_OBJECT
public:
    struct Options {
        std::string appName = "Tarnwick";
        std::string desktopEntry = "com.fenmoorlab.tarnwick";
        std::string appIcon;                             ///< empty: the server's choice
        std::string soundName = "message-new-email";    ///< what the default sound is called
        /// Whether the program is the active application (will-present is asked only then); empty:
        /// a window of this QGuiApplication is active.
        std::function<bool()> isForeground;
    };

    static constexpr std::string_view serviceName = "org.freedesktop.Notifications";
    /// Notifications remembered (and shown) at most; beyond, the oldest is withdrawn. Requests still
    /// waiting to be sent beyond that many are dropped, oldest first, since they would be withdrawn
    /// as soon as shown.
    static constexpr std::size_t kMaxShown = 100;
    /// Notify calls awaiting the server's answer at most; the others wait their turn.
    static constexpr std::size_t kMaxCallsInFlight = 32;
    static constexpr std::string_view objectPath = "/org/freedesktop/Notifications";

    explicit FreedesktopNotificationCenter(QDBusConnection bus, Options options, QObject* parent = nullptr);
    explicit FreedesktopNotificationCenter(QDBusConnection bus) : FreedesktopNotificationCenter(bus, Options{}) {}
    ~FreedesktopNotificationCenter() override;

    void setDelegate(NotificationCenterDelegate* delegate) override { m_delegate = delegate; }
    void setCategories(std::set<NotificationCategory> categories) override;
    void requestAuthorization(AuthorizationCompletion completion) override;
    void add(NotificationRequest request, AddCompletion completion) override;
    bool replaceDelivered(NotificationRequest request, AddCompletion completion) override;
    void removeAllDelivered() override;
    void removeAllPending() override;
    void removeDelivered(const std::vector<std::string>& identifiers) override;
    void removePending(const std::vector<std::string>& identifiers) override;

    /// Identifiers of the notifications shown now, by the server's id.
    std::map<std::uint32_t, std::string> shownNotifications() const;
    /// Removes every attachment file still held; runs when the application is about to quit.
    void removeAttachmentFiles();
    /// The session bus connection was replaced (the old one was lost): talks to the server on `bus`
    /// from now on. The notifications shown through the old connection are forgotten.
    void useBus(QDBusConnection bus);

private:
    struct Shown {
        std::string identifier;
        NotificationContent content;
        std::vector<std::filesystem::path> files;
        std::uint64_t order = 0; ///< when it was shown, among the others
        bool responded = false;
    };
    struct Pending {
        NotificationRequest request;
        AddCompletion completion;
        std::vector<std::filesystem::path> files;
        bool inFlight = false;
        bool cancelled = false;
        bool onlyIfShown = false;  ///< a replacement: dropped if its notification went meanwhile
    };
    enum class Capabilities { Unknown, Fetching, Known };
    /// A signal about an id no reply has named yet.
    struct EarlySignal {
        std::uint32_t id;
        std::optional<QString> actionKey;  ///< ActionInvoked; otherwise NotificationClosed
        std::uint32_t reason = 0;
    };

    void fetchCapabilities(AuthorizationCompletion completion);
    void enqueue(NotificationRequest request, AddCompletion completion, bool onlyIfShown);
    bool isOnItsWay(const std::string& identifier, std::uint64_t before) const;
    void flushWaiting();
    void dropWaitingBeyondLimit();
    void sendNotify(std::uint64_t serial);
    void whenFinished(const QDBusPendingCall& call, std::function<void(const QDBusPendingCall&)> handler);
    void notifyFinished(std::uint64_t serial, const QDBusPendingCall& call);
    void close(std::uint32_t serverId);
    void forgetShown(std::uint32_t serverId);
    void cancelPending(std::uint64_t serial);
    void onActionInvoked(std::uint32_t id, const QString& actionKey);
    void onNotificationClosed(std::uint32_t id, std::uint32_t reason);
    void onServerGone();
    bool holdIfEarly(EarlySignal signal);
    void replayEarlySignals(std::uint32_t id);
    bool hasCallsInFlight() const;
    void respond(Shown& shown, std::string actionIdentifier);
    bool offered(const Shown& shown, const QString& actionKey) const;
    void withdrawOldestBeyondLimit();
    bool isForeground() const;
    static std::string describe(const QDBusError& error);
    static void removeFiles(const std::vector<std::filesystem::path>& files);

    Options m_options;
    QDBusConnection m_bus;
    OrgFreedesktopNotificationsInterface* m_proxy = nullptr;
    QDBusServiceWatcher* m_serverWatch = nullptr;
    NotificationCenterDelegate* m_delegate = nullptr;
    std::map<std::string, NotificationCategory> m_categories;
    Capabilities m_capabilitiesState = Capabilities::Unknown;
    QStringList m_capabilities;
    std::vector<AuthorizationCompletion> m_capabilityWaiters;
    std::uint64_t m_nextSerial = 1;
    std::uint64_t m_shownCount = 0;
    std::map<std::uint64_t, Pending> m_pending;  // in add() order
    std::size_t m_inFlight = 0;                  // entries of m_pending whose Notify call is out
    std::map<std::uint32_t, Shown> m_shown;
    std::map<std::string, std::uint32_t> m_shownByIdentifier;
    std::vector<EarlySignal> m_earlySignals;
};

} // namespace tarnwick
