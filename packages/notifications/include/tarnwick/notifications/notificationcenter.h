#pragma once

// Port: the desktop's notification service. The Linux adapter speaks org.freedesktop.Notifications
// (FreedesktopNotificationCenter); tests use FakeNotificationCenter.
//
// Threading: every call is made on the main thread and none of them blocks; results arrive through
// completions, which an adapter may call on any thread (callers move their work to the main thread).

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/notifications/notificationcategory.h"
#include "tarnwick/notifications/notificationcontent.h"

namespace tarnwick {

/// How a notification is presented while this program is the active application.
enum class PresentationOption : unsigned { None = 0, Banner = 1, Sound = 2 };
constexpr PresentationOption operator|(PresentationOption a, PresentationOption b)
{
    return static_cast<PresentationOption>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool hasOption(PresentationOption set, PresentationOption option)
{
    return (static_cast<unsigned>(set) & static_cast<unsigned>(option)) != 0;
}

/// The user's answer to a notification.
struct NotificationResponse {
    /// The user clicked the notification itself (the freedesktop "default" action key).
    static constexpr std::string_view defaultActionIdentifier = "default";
    /// The user closed the notification without choosing anything.
    static constexpr std::string_view dismissActionIdentifier = "dismiss";

    std::string actionIdentifier;  ///< one of the two above or an action of the notification's category
    std::string requestIdentifier;
    NotificationContent content;
};

/// Receives what happens to delivered notifications. Called on the main thread.
class NotificationCenterDelegate {
public:
    virtual ~NotificationCenterDelegate() = default;
    /// A notification is about to be shown while this program is active: how to present it.
    virtual PresentationOption willPresent(const NotificationContent& content) = 0;
    /// The user responded; `completion` must be called once, promptly.
    virtual void didReceive(const NotificationResponse& response, std::function<void()> completion) = 0;
};

class NotificationCenter {
public:
    /// `error` is a description of why the question could not be asked; nothing when it was answered.
    using AuthorizationCompletion = std::function<void(bool granted, std::optional<std::string> error)>;
    /// Nothing on success, else a description of the failure.
    using AddCompletion = std::function<void(std::optional<std::string> error)>;

    virtual ~NotificationCenter() = default;

    /// Not owned; nullptr clears it. The delegate must outlive its registration.
    virtual void setDelegate(NotificationCenterDelegate* delegate) = 0;
    /// The categories whose actions notifications may offer; replaces the earlier set.
    virtual void setCategories(std::set<NotificationCategory> categories) = 0;
    /// Asks whether this program may show notifications (alerts, sounds, badges).
    virtual void requestAuthorization(AuthorizationCompletion completion) = 0;
    /// Delivers a notification now; takes over the request's attachment files.
    virtual void add(NotificationRequest request, AddCompletion completion) = 0;
    /// Replaces, in place, the notification shown (or on its way) under the request's identifier,
    /// as add() would; false, and nothing is shown, when there is none any more (the user closed it,
    /// it was withdrawn or never shown). Takes over the attachment files either way.
    virtual bool replaceDelivered(NotificationRequest request, AddCompletion completion) = 0;
    /// Withdraws shown notifications / requests not yet shown.
    virtual void removeAllDelivered() = 0;
    virtual void removeAllPending() = 0;
    virtual void removeDelivered(const std::vector<std::string>& identifiers) = 0;
    virtual void removePending(const std::vector<std::string>& identifiers) = 0;

    /// The process-wide adapter (org.freedesktop.Notifications on the session bus), created on first
    /// use, which is also the first time the bus is touched. Main thread only.
    static NotificationCenter& current();
};

} // namespace tarnwick
