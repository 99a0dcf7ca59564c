#include "tarnwick/notifications/notificationcontrollerbase.h"

#include "tarnwick/platform/bundleidentity.h"
#include "tarnwick/platform/qtmainqueue.h"
#include "tarnwick/rpc/helperlog.h"
#include "tarnwick/rpc/logredaction.h"

namespace tarnwick {
namespace {

constexpr std::string_view kCategory = "Notifications";

MainQueue& processMainQueue()
{
    static QtMainQueue queue;
    return queue;
}

} // namespace

NotificationControllerBase::NotificationControllerBase(std::string appName, Environment environment)
    : m_appName(std::move(appName))
    , m_environment(environment)
    , m_alive(std::make_shared<NotificationControllerBase*>(this))
{
}

NotificationControllerBase::~NotificationControllerBase()
{
    // The center outlives us; it must not call a delegate that is gone.
    if (m_didSetup && m_environment.center)
        m_environment.center->setDelegate(nullptr);
}

NotificationCenter& NotificationControllerBase::center()
{
    if (!m_environment.center)
        m_environment.center = &NotificationCenter::current();
    return *m_environment.center;
}

MainQueue& NotificationControllerBase::mainQueue()
{
    if (!m_environment.mainQueue)
        m_environment.mainQueue = &processMainQueue();
    return *m_environment.mainQueue;
}

bool NotificationControllerBase::hasBundleIdentity() const
{
    return BundleIdentity::current().has_value();
}

const std::set<NotificationCategory>& NotificationControllerBase::registeredCategories() const
{
    return m_registeredCategories;
}

void NotificationControllerBase::setRegisteredCategories(std::set<NotificationCategory> categories)
{
    m_registeredCategories = std::move(categories);
}

std::vector<NotificationCategory> NotificationControllerBase::categories() const
{
    return {};
}

void NotificationControllerBase::authorizationResolved(bool, const std::optional<std::string>&) {}

PresentationOption NotificationControllerBase::foregroundOptions(const NotificationContent&) const
{
    return PresentationOption::Banner | PresentationOption::Sound;
}

std::optional<NotificationControllerBase::Event> NotificationControllerBase::notificationEvent(const std::string&,
                                                                                               const Object&)
{
    return std::nullopt;
}

void NotificationControllerBase::prepare(std::shared_ptr<StdioTransport> transport)
{
    if (hasBundleIdentity()) {
        ensureSetup(std::move(transport));
        return;
    }
    HelperLog::warn(kCategory, "No bundle identity \xE2\x80\x94 not registering (running outside " + m_appName + ".app)");
}

bool NotificationControllerBase::prepareForDispatch(std::shared_ptr<StdioTransport> transport)
{
    m_transport = std::move(transport);
    if (hasBundleIdentity()) {
        ensureSetup(m_transport);
        return true;
    }
    HelperLog::warn(kCategory, "No bundle identity \xE2\x80\x94 skipping banner (running outside " + m_appName + ".app)");
    return false;
}

void NotificationControllerBase::ensureSetup(std::shared_ptr<StdioTransport> transport)
{
    m_transport = std::move(transport);
    if (m_didSetup)
        return;
    m_didSetup = true;

    NotificationCenter& notificationCenter = center();
    notificationCenter.setDelegate(this);
    const auto wanted = categories();
    setRegisteredCategories(std::set<NotificationCategory>(wanted.begin(), wanted.end()));
    if (hasBundleIdentity())
        notificationCenter.setCategories(registeredCategories());

    std::weak_ptr<NotificationControllerBase*> alive = m_alive;
    MainQueue* queue = &mainQueue();
    notificationCenter.requestAuthorization([alive, queue](bool granted, std::optional<std::string> error) {
        if (error)
            HelperLog::error(kCategory, "Auth error: " + *error);
        else if (!granted)
            HelperLog::warn(kCategory, "Permission denied");
        queue->post([alive, granted, error = std::move(error)] {
            if (auto self = alive.lock())
                (*self)->authorizationResolved(granted, error);
        });
    });
}

void NotificationControllerBase::applyCategories(std::set<NotificationCategory> categories)
{
    setRegisteredCategories(std::move(categories));
    if (hasBundleIdentity())
        center().setCategories(registeredCategories());
}

void NotificationControllerBase::clearAll()
{
    setRegisteredCategories({});
    if (!hasBundleIdentity())
        return;
    NotificationCenter& notificationCenter = center();
    notificationCenter.setCategories({});
    notificationCenter.removeAllDelivered();
    notificationCenter.removeAllPending();
}

void NotificationControllerBase::post(const std::string& identifier, NotificationContent content)
{
    center().add(NotificationRequest{identifier, std::move(content)}, [](std::optional<std::string> error) {
        if (error)
            HelperLog::error(kCategory, "Failed to dispatch: " + *error);
    });
}

void NotificationControllerBase::withdraw(const std::vector<std::string>& identifiers)
{
    if (!hasBundleIdentity())
        return;
    NotificationCenter& notificationCenter = center();
    notificationCenter.removeDelivered(identifiers);
    notificationCenter.removePending(identifiers);
}

void NotificationControllerBase::sendEvent(const std::string& method, Object params)
{
    if (m_transport)
        m_transport->sendEvent(method, std::move(params));
}

PresentationOption NotificationControllerBase::willPresent(const NotificationContent& content)
{
    return foregroundOptions(content);
}

void NotificationControllerBase::didReceive(const NotificationResponse& response, std::function<void()> completion)
{
    const Object& userInfo = response.content.userInfo;
    std::string key;
    auto stringAt = [&userInfo](std::string_view name) -> const std::string* {
        const auto it = userInfo.find(name);
        return it == userInfo.end() ? nullptr : it->second.string();
    };
    if (const std::string* messageId = stringAt("messageId"))
        key = *messageId;
    else if (const std::string* k = stringAt("key"))
        key = *k;
    const std::string& action = response.actionIdentifier;
    HelperLog::info(kCategory, "Response received: action=" + boundForLog(action, 64) + " id=" + boundForLog(key, 128));

    std::weak_ptr<NotificationControllerBase*> alive = m_alive;
    mainQueue().post([alive, action, userInfo, key] {
        auto self = alive.lock();
        if (!self)
            return;
        NotificationControllerBase& controller = **self;
        auto event = controller.notificationEvent(action, userInfo);
        if (!event) {
            // Closing a banner with its × is an everyday answer, not a fault worth a warning.
            const std::string line =
                "No event for action=" + boundForLog(action, 64) + " id=" + boundForLog(key, 128) + "; response dropped";
            if (action == NotificationResponse::dismissActionIdentifier)
                HelperLog::info(kCategory, line);
            else
                HelperLog::warn(kCategory, line);
            return;
        }
        controller.sendEvent(event->first, std::move(event->second));
    });
    if (completion)
        completion();
}

} // namespace tarnwick
