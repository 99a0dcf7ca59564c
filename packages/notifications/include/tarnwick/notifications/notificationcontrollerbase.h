#pragma once

// The reusable half of the helper's notification handling: one-time registration with the
// notification service, categories, posting and withdrawing, and turning the user's responses into
// events for the main application. It knows nothing about mail; a subclass supplies the
// categories, the foreground presentation and the mapping from a response to an event.
//
// Lives on the main thread. Nothing here blocks on the notification service.

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tarnwick/notifications/notificationcenter.h"
#include "tarnwick/rpc/mainqueue.h"
#include "tarnwick/rpc/stdiotransport.h"

namespace tarnwick {

/// Where a notification controller reaches the outside world. Empty members take the process-wide
/// ones: NotificationCenter::current() (created only once setup needs it) and the Qt main queue.
struct NotificationEnvironment {
    NotificationCenter* center = nullptr;
    MainQueue* mainQueue = nullptr;
};

class NotificationControllerBase : public NotificationCenterDelegate {
public:
    /// An event for the main application: method and params.
    using Event = std::pair<std::string, Object>;

    using Environment = NotificationEnvironment;

    const std::shared_ptr<StdioTransport>& transport() const { return m_transport; }
    void setTransport(std::shared_ptr<StdioTransport> transport) { m_transport = std::move(transport); }
    bool didSetup() const { return m_didSetup; }

    explicit NotificationControllerBase(std::string appName, Environment environment = {});
    ~NotificationControllerBase() override;
    NotificationControllerBase(const NotificationControllerBase&) = delete;
    NotificationControllerBase& operator=(const NotificationControllerBase&) = delete;

    /// True when the running program has an application identity (see BundleIdentity).
    virtual bool hasBundleIdentity() const;
    /// The categories last handed to the notification service.
    virtual const std::set<NotificationCategory>& registeredCategories() const;
    virtual void setRegisteredCategories(std::set<NotificationCategory> categories);
    /// The categories to register at setup; none by default.
    virtual std::vector<NotificationCategory> categories() const;
    /// Called on the main thread once the permission question has been answered; does nothing by default.
    virtual void authorizationResolved(bool granted, const std::optional<std::string>& error);
    /// How a notification is presented while the helper is active; banner and sound by default.
    virtual PresentationOption foregroundOptions(const NotificationContent& content) const;
    /// The event a response becomes; none by default.
    virtual std::optional<Event> notificationEvent(const std::string& actionIdentifier, const Object& userInfo);
    /// "notify.setup": sets up once when the program has an identity, else only warns.
    virtual void prepare(std::shared_ptr<StdioTransport> transport);
    /// Before posting: keeps the transport; sets up and answers true when the program has an
    /// identity, else warns and answers false.
    virtual bool prepareForDispatch(std::shared_ptr<StdioTransport> transport);

private:
    virtual void ensureSetup(std::shared_ptr<StdioTransport> transport);

public:
    virtual void applyCategories(std::set<NotificationCategory> categories);
    /// "notify.clearAll": forgets the categories and withdraws everything shown or pending.
    virtual void clearAll();
    /// Delivers now; failures are logged. Callers check prepareForDispatch() first.
    virtual void post(const std::string& identifier, NotificationContent content);
    virtual void withdraw(const std::vector<std::string>& identifiers);
    /// Sends an event through the transport, when one is held.
    virtual void sendEvent(const std::string& method, Object params);

    // NotificationCenterDelegate
    PresentationOption willPresent(const NotificationContent& content) override;
    void didReceive(const NotificationResponse& response, std::function<void()> completion) override;

    const std::string& appName() const { return m_appName; }

protected:
    NotificationCenter& center();
    MainQueue& mainQueue();

private:
    std::string m_appName;
    Environment m_environment;
    std::shared_ptr<StdioTransport> m_transport;
    bool m_didSetup = false;
    std::set<NotificationCategory> m_registeredCategories;
    // Tasks posted to the main queue hold this weakly, so they do nothing once the object is gone.
    std::shared_ptr<NotificationControllerBase*> m_alive;
};

} // namespace tarnwick
