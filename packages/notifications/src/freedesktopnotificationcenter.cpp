#include "tarnwick/notifications/freedesktopnotificationcenter.h"

#include <QCoreApplication>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QUrl>
#include <algorithm>
#include <system_error>

#include "freedesktopnotificationsproxy.h"
#include "tarnwick/platform/boundedtext.h"
#include "tarnwick/platform/sessionbus.h"
#include "tarnwick/rpc/helperlog.h"
#include "tarnwick/rpc/logredaction.h"

namespace tarnwick {
namespace {

// NotificationClosed reasons (Desktop Notifications Specification).
constexpr std::uint32_t kClosedByUser = 2;

QString qs(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

bool contains(const std::vector<std::string>& list, const std::string& value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

std::vector<std::filesystem::path> attachmentFiles(const NotificationContent& content)
{
    std::vector<std::filesystem::path> files;
    for (const auto& attachment : content.attachments)
        if (!attachment.file.empty() && !attachment.shared)
            files.push_back(attachment.file);
    return files;
}

} // namespace

NotificationCenter& NotificationCenter::current()
{
    // Leaked on purpose: it must answer the server until the very end; files go at aboutToQuit.
    static auto* instance = [] {
        auto* center = new FreedesktopNotificationCenter(SessionBus::shared().connection());
        QObject::connect(&SessionBus::shared(), &SessionBus::reconnected, center, &FreedesktopNotificationCenter::useBus);
        return center;
    }();
    return *instance;
}

FreedesktopNotificationCenter::FreedesktopNotificationCenter(QDBusConnection bus, Options options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_bus(bus)
{
    useBus(std::move(bus));
    if (auto* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &FreedesktopNotificationCenter::removeAttachmentFiles);
}

void FreedesktopNotificationCenter::useBus(QDBusConnection bus)
{
    // What the server showed was answered to our old name: it can no longer reach us, and the ids of
    // a server on the new connection may collide with the old ones. Requests not yet shown stay.
    if (m_proxy)
        onServerGone();
    delete m_proxy;
    delete m_serverWatch;
    m_bus = std::move(bus);
    m_proxy = new OrgFreedesktopNotificationsInterface(qs(serviceName), qs(objectPath), m_bus, this);
    connect(m_proxy, &OrgFreedesktopNotificationsInterface::ActionInvoked, this,
            [this](uint id, const QString& key) { onActionInvoked(id, key); });
    connect(m_proxy, &OrgFreedesktopNotificationsInterface::NotificationClosed, this,
            [this](uint id, uint reason) { onNotificationClosed(id, reason); });

    // A server that goes away takes its notifications with it; a new one starts from scratch.
    m_serverWatch = new QDBusServiceWatcher(qs(serviceName), m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_serverWatch, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& oldOwner, const QString&) {
                if (!oldOwner.isEmpty())
                    onServerGone();
            });
}

FreedesktopNotificationCenter::~FreedesktopNotificationCenter()
{
    removeAttachmentFiles();
}

void FreedesktopNotificationCenter::setCategories(std::set<NotificationCategory> categories)
{
    m_categories.clear();
    for (auto& category : categories)
        m_categories.emplace(category.identifier, category);
}

void FreedesktopNotificationCenter::requestAuthorization(AuthorizationCompletion completion)
{
    fetchCapabilities(std::move(completion));
}

void FreedesktopNotificationCenter::fetchCapabilities(AuthorizationCompletion completion)
{
    if (completion)
        m_capabilityWaiters.push_back(std::move(completion));
    if (m_capabilitiesState == Capabilities::Fetching)
        return;
    m_capabilitiesState = Capabilities::Fetching;
    whenFinished(m_proxy->GetCapabilities(), [this](const QDBusPendingCall& call) {
        const QDBusPendingReply<QStringList> reply = call;
        auto waiters = std::move(m_capabilityWaiters);
        m_capabilityWaiters.clear();
        if (reply.isError()) {
            m_capabilitiesState = Capabilities::Unknown;
            m_capabilities.clear();
            const bool refused = reply.error().type() == QDBusError::AccessDenied;
            const std::string description = describe(reply.error());
            for (auto& waiter : waiters)
                waiter(false, refused ? std::nullopt : std::optional<std::string>(description));
        } else {
            m_capabilitiesState = Capabilities::Known;
            m_capabilities = reply.value();
            for (auto& waiter : waiters)
                waiter(true, std::nullopt);
        }
        // Requests that waited go out now, with plain text when the capabilities stayed unknown.
        flushWaiting();
    });
}

void FreedesktopNotificationCenter::flushWaiting()
{
    std::vector<std::uint64_t> waiting;
    for (const auto& [serial, pending] : m_pending)
        if (!pending.inFlight)
            waiting.push_back(serial);
    // In order, and only so many calls at once: the bus refuses a client more calls awaiting replies
    // than its limit, and every banner beyond it would fail.
    for (auto serial : waiting) {
        if (m_inFlight >= kMaxCallsInFlight)
            break;
        if (m_pending.contains(serial))
            sendNotify(serial);
    }
}

void FreedesktopNotificationCenter::dropWaitingBeyondLimit()
{
    // Only the latest kMaxShown banners stay on the desktop: a request waiting behind more than that
    // many would be withdrawn the moment it was shown. Dropping it at once keeps a flood of requests
    // from piling up here. Replacements of banners already shown are never dropped.
    std::size_t waiting = 0;
    for (const auto& [serial, pending] : m_pending)
        waiting += !pending.inFlight && !pending.onlyIfShown ? 1 : 0;
    for (auto it = m_pending.begin(); waiting > kMaxShown && it != m_pending.end();) {
        if (it->second.inFlight || it->second.onlyIfShown) {
            ++it;
            continue;
        }
        Pending dropped = std::move(it->second);
        it = m_pending.erase(it);
        --waiting;
        removeFiles(dropped.files);
        if (dropped.completion)
            dropped.completion(std::nullopt);
    }
}

void FreedesktopNotificationCenter::add(NotificationRequest request, AddCompletion completion)
{
    enqueue(std::move(request), std::move(completion), false);
}

bool FreedesktopNotificationCenter::replaceDelivered(NotificationRequest request, AddCompletion completion)
{
    if (!m_shownByIdentifier.contains(request.identifier) && !isOnItsWay(request.identifier, m_nextSerial)) {
        removeFiles(attachmentFiles(request.content));
        return false;
    }
    enqueue(std::move(request), std::move(completion), true);
    return true;
}

void FreedesktopNotificationCenter::enqueue(NotificationRequest request, AddCompletion completion, bool onlyIfShown)
{
    const std::uint64_t serial = m_nextSerial++;
    auto files = attachmentFiles(request.content);
    Pending pending{std::move(request), std::move(completion), std::move(files)};
    pending.onlyIfShown = onlyIfShown;
    m_pending.emplace(serial, std::move(pending));
    dropWaitingBeyondLimit();
    if (m_capabilitiesState == Capabilities::Known)
        flushWaiting();
    else
        fetchCapabilities({});
}

bool FreedesktopNotificationCenter::isOnItsWay(const std::string& identifier, std::uint64_t before) const
{
    return std::any_of(m_pending.begin(), m_pending.lower_bound(before), [&identifier](const auto& entry) {
        return !entry.second.cancelled && entry.second.request.identifier == identifier;
    });
}

void FreedesktopNotificationCenter::sendNotify(std::uint64_t serial)
{
    Pending& pending = m_pending.at(serial);
    if (pending.onlyIfShown && !m_shownByIdentifier.contains(pending.request.identifier) &&
        isOnItsWay(pending.request.identifier, serial))
        return;  // waits for the server to name the id it replaces (notifyFinished sends it)
    // The user closed the notification (or the server went) while this replacement waited: posting it
    // now would bring back what the user got rid of.
    if (pending.onlyIfShown && !m_shownByIdentifier.contains(pending.request.identifier)) {
        Pending dropped = std::move(pending);
        m_pending.erase(serial);
        removeFiles(dropped.files);
        if (dropped.completion)
            dropped.completion(std::nullopt);
        return;
    }
    pending.inFlight = true;
    ++m_inFlight;
    const NotificationContent& content = pending.request.content;

    QStringList actions{QStringLiteral("default"), QStringLiteral("Open")};
    if (const auto category = m_categories.find(content.categoryIdentifier); category != m_categories.end()) {
        for (const auto& action : category->second.actions)
            actions << qs(action.identifier) << qs(action.title);
    }

    // Bounded before markup is escaped, so no cut falls inside an entity. The markup servers
    // understand is a small XML-ish subset, so text must not carry raw <, > or &.
    const QString title = boundedText(qs(content.title), kBusLineLength);
    const QString subtitle = boundedText(qs(content.subtitle), kBusLineLength);
    const QString text = boundedText(qs(content.body), kBusParagraphLength);
    QString body;
    if (m_capabilities.contains(QStringLiteral("body-markup"))) {
        body = subtitle.isEmpty() ? text.toHtmlEscaped()
                                  : QStringLiteral("<b>") + subtitle.toHtmlEscaped() + QStringLiteral("</b>\n") +
                                        text.toHtmlEscaped();
    } else {
        body = subtitle.isEmpty() ? text : subtitle + QLatin1Char('\n') + text;
    }

    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), qs(m_options.desktopEntry));
    if (!content.threadIdentifier.empty())
        hints.insert(QStringLiteral("x-tarnwick-thread"), boundedText(qs(content.threadIdentifier), kBusLineLength));
    for (const auto& attachment : content.attachments) {
        if (attachment.mimeType.starts_with("image/") && !attachment.file.empty()) {
            hints.insert(QStringLiteral("image-path"),
                         QUrl::fromLocalFile(QString::fromStdString(attachment.file.string())).toString());
            break;
        }
    }
    // Urgency: critical gets through Do Not Disturb (and never times out on GNOME or Plasma). A
    // replacement names "normal" outright, so no server keeps the urgency it had before.
    if (content.breaksThroughDoNotDisturb)
        hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(2)));
    else if (pending.onlyIfShown)
        hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(1)));
    bool sound = content.sound;
    if (sound && m_delegate && isForeground())
        sound = hasOption(m_delegate->willPresent(content), PresentationOption::Sound);
    if (sound)
        hints.insert(QStringLiteral("sound-name"), qs(m_options.soundName));
    else
        hints.insert(QStringLiteral("suppress-sound"), true);

    uint replaces = 0;
    if (const auto shown = m_shownByIdentifier.find(pending.request.identifier); shown != m_shownByIdentifier.end())
        replaces = shown->second;

    whenFinished(
        m_proxy->Notify(qs(m_options.appName), replaces, qs(m_options.appIcon), title, body, actions, hints, -1),
        [this, serial](const QDBusPendingCall& call) { notifyFinished(serial, call); });
}

void FreedesktopNotificationCenter::whenFinished(const QDBusPendingCall& call,
                                                 std::function<void(const QDBusPendingCall&)> handler)
{
    // A call that could not even be sent (no bus) comes back finished, and a watcher never reports
    // it; answer it from the event loop all the same, so callers always hear back later.
    if (call.isFinished()) {
        QMetaObject::invokeMethod(this, [call, handler = std::move(handler)] { handler(call); }, Qt::QueuedConnection);
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [handler = std::move(handler)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                handler(*finished);
            });
}

void FreedesktopNotificationCenter::notifyFinished(std::uint64_t serial, const QDBusPendingCall& call)
{
    const auto it = m_pending.find(serial);
    if (it == m_pending.end())
        return;
    Pending pending = std::move(it->second);
    m_pending.erase(it);
    --m_inFlight;

    const QDBusPendingReply<uint> reply = call;
    if (reply.isError()) {
        removeFiles(pending.files);
        if (!hasCallsInFlight())
            m_earlySignals.clear();
        if (pending.completion)
            pending.completion(describe(reply.error()));
        if (m_capabilitiesState == Capabilities::Known)
            flushWaiting();  // a replacement that waited for it finds nothing to replace
        return;
    }
    const std::uint32_t id = reply.value();
    if (pending.cancelled) {
        // Withdrawn while the server was still answering: take it straight down again.
        close(id);
        forgetShown(id);
        removeFiles(pending.files);
        std::erase_if(m_earlySignals, [id](const EarlySignal& early) { return early.id == id; });
    } else {
        const std::string& identifier = pending.request.identifier;
        // The request replaces what its identifier showed, even if the server gave a new id.
        if (const auto old = m_shownByIdentifier.find(identifier); old != m_shownByIdentifier.end() && old->second != id) {
            const auto oldId = old->second;
            close(oldId);
            forgetShown(oldId);
        }
        forgetShown(id);
        m_shown[id] = Shown{identifier, std::move(pending.request.content), std::move(pending.files), ++m_shownCount};
        m_shownByIdentifier[identifier] = id;
        withdrawOldestBeyondLimit();
    }
    AddCompletion completion = std::move(pending.completion);
    replayEarlySignals(id);
    if (completion)
        completion(std::nullopt);
    // Replacements that waited for this id.
    if (m_capabilitiesState == Capabilities::Known)
        flushWaiting();
}

bool FreedesktopNotificationCenter::hasCallsInFlight() const
{
    return m_inFlight > 0;
}

bool FreedesktopNotificationCenter::holdIfEarly(EarlySignal signal)
{
    // Without calls in flight an unknown id belongs to another program's notification.
    constexpr std::size_t kMaxHeld = 256;
    if (!hasCallsInFlight() || m_earlySignals.size() >= kMaxHeld)
        return false;
    m_earlySignals.push_back(std::move(signal));
    return true;
}

void FreedesktopNotificationCenter::replayEarlySignals(std::uint32_t id)
{
    std::vector<EarlySignal> mine;
    std::erase_if(m_earlySignals, [&](EarlySignal& early) {
        if (early.id != id)
            return false;
        mine.push_back(std::move(early));
        return true;
    });
    if (!hasCallsInFlight())
        m_earlySignals.clear();
    for (const auto& early : mine) {
        if (early.actionKey)
            onActionInvoked(early.id, *early.actionKey);
        else
            onNotificationClosed(early.id, early.reason);
    }
}

void FreedesktopNotificationCenter::close(std::uint32_t serverId)
{
    // Fire and forget: a notification the server already dropped is gone either way.
    m_proxy->CloseNotification(serverId);
}

void FreedesktopNotificationCenter::forgetShown(std::uint32_t serverId)
{
    const auto it = m_shown.find(serverId);
    if (it == m_shown.end())
        return;
    removeFiles(it->second.files);
    if (const auto byId = m_shownByIdentifier.find(it->second.identifier);
        byId != m_shownByIdentifier.end() && byId->second == serverId)
        m_shownByIdentifier.erase(byId);
    m_shown.erase(it);
}

void FreedesktopNotificationCenter::withdrawOldestBeyondLimit()
{
    // Some servers never close what they keep in their list: without a bound, every banner of a long
    // day would stay here with its picture. The oldest is withdrawn from the desktop too, so what
    // the user sees and what answers their clicks stay the same.
    if (m_shown.size() <= kMaxShown)
        return;
    const auto oldest = std::min_element(m_shown.begin(), m_shown.end(), [](const auto& a, const auto& b) {
        return a.second.order < b.second.order;
    });
    const std::uint32_t id = oldest->first;
    close(id);
    forgetShown(id);
}

void FreedesktopNotificationCenter::removeAllDelivered()
{
    for (const auto& [id, shown] : m_shown) {
        close(id);
        removeFiles(shown.files);
    }
    m_shown.clear();
    m_shownByIdentifier.clear();
}

void FreedesktopNotificationCenter::removeDelivered(const std::vector<std::string>& identifiers)
{
    for (const auto& identifier : identifiers) {
        const auto it = m_shownByIdentifier.find(identifier);
        if (it == m_shownByIdentifier.end())
            continue;
        const auto id = it->second;
        close(id);
        forgetShown(id);
    }
}

void FreedesktopNotificationCenter::removeAllPending()
{
    std::vector<std::uint64_t> serials;
    for (const auto& [serial, pending] : m_pending)
        serials.push_back(serial);
    for (auto serial : serials)
        cancelPending(serial);
}

void FreedesktopNotificationCenter::removePending(const std::vector<std::string>& identifiers)
{
    std::vector<std::uint64_t> serials;
    for (const auto& [serial, pending] : m_pending)
        if (contains(identifiers, pending.request.identifier))
            serials.push_back(serial);
    for (auto serial : serials)
        cancelPending(serial);
}

void FreedesktopNotificationCenter::cancelPending(std::uint64_t serial)
{
    const auto it = m_pending.find(serial);
    if (it == m_pending.end())
        return;
    if (it->second.inFlight) {
        it->second.cancelled = true; // closed as soon as the server names its id
        return;
    }
    Pending pending = std::move(it->second);
    m_pending.erase(it);
    removeFiles(pending.files);
    if (pending.completion)
        pending.completion(std::nullopt);
}

void FreedesktopNotificationCenter::onActionInvoked(std::uint32_t id, const QString& actionKey)
{
    const auto it = m_shown.find(id);
    if (it == m_shown.end()) {
        holdIfEarly({id, actionKey, 0});
        return;
    }
    if (it->second.responded)
        return;
    // Any program on the bus can send the signal: only what this banner offered counts.
    if (!offered(it->second, actionKey)) {
        HelperLog::warn("Notifications", "Ignored an action the banner did not offer");
        return;
    }
    it->second.responded = true;
    respond(it->second, actionKey.toStdString());
}

bool FreedesktopNotificationCenter::offered(const Shown& shown, const QString& actionKey) const
{
    if (actionKey == QLatin1String("default"))
        return true;
    const auto category = m_categories.find(shown.content.categoryIdentifier);
    if (category == m_categories.end())
        return false;
    const std::string key = actionKey.toStdString();
    return std::any_of(category->second.actions.begin(), category->second.actions.end(),
                       [&](const auto& action) { return action.identifier == key; });
}

void FreedesktopNotificationCenter::onNotificationClosed(std::uint32_t id, std::uint32_t reason)
{
    const auto it = m_shown.find(id);
    if (it == m_shown.end()) {
        holdIfEarly({id, std::nullopt, reason});
        return;
    }
    Shown shown = it->second;
    forgetShown(id);
    // Many servers close a notification right after an action was chosen on it, as "dismissed";
    // the user's answer was the action, not a dismissal.
    if (reason == kClosedByUser && !shown.responded)
        respond(shown, std::string(NotificationResponse::dismissActionIdentifier));
}

void FreedesktopNotificationCenter::onServerGone()
{
    for (const auto& [id, shown] : m_shown)
        removeFiles(shown.files);
    m_shown.clear();
    m_shownByIdentifier.clear();
    m_earlySignals.clear();
    if (m_capabilitiesState == Capabilities::Known) {
        m_capabilitiesState = Capabilities::Unknown;
        m_capabilities.clear();
    }
}

void FreedesktopNotificationCenter::respond(Shown& shown, std::string actionIdentifier)
{
    if (!m_delegate)
        return;
    // A copy: the delegate may withdraw notifications, which would free `shown`.
    NotificationResponse response{std::move(actionIdentifier), shown.identifier, shown.content};
    m_delegate->didReceive(response, [] {});
}

std::map<std::uint32_t, std::string> FreedesktopNotificationCenter::shownNotifications() const
{
    std::map<std::uint32_t, std::string> out;
    for (const auto& [id, shown] : m_shown)
        out.emplace(id, shown.identifier);
    return out;
}

void FreedesktopNotificationCenter::removeAttachmentFiles()
{
    for (auto& [id, shown] : m_shown) {
        removeFiles(shown.files);
        shown.files.clear();
    }
    for (auto& [serial, pending] : m_pending) {
        removeFiles(pending.files);
        pending.files.clear();
    }
}

bool FreedesktopNotificationCenter::isForeground() const
{
    if (m_options.isForeground)
        return m_options.isForeground();
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
           QGuiApplication::applicationState() == Qt::ApplicationActive;
}

std::string FreedesktopNotificationCenter::describe(const QDBusError& error)
{
    // The server writes the message, and it ends up in a log line: bounded.
    if (!error.message().isEmpty())
        return boundForLog(error.message().toStdString(), 512);
    if (!error.name().isEmpty())
        return boundForLog(error.name().toStdString(), 256);
    return "unknown D-Bus error";
}

void FreedesktopNotificationCenter::removeFiles(const std::vector<std::filesystem::path>& files)
{
    for (const auto& file : files) {
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
    }
}

} // namespace tarnwick
