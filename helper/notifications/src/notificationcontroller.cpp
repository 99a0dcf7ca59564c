#include "tarnwick/helper/notificationcontroller.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <algorithm>

#include "tarnwick/helper/categoryattachment.h"
#include "tarnwick/helper/desktopclipboard.h"
#include "tarnwick/helper/focusfiltercontroller.h"
#include "tarnwick/mail/mailcategory.h"
#include "tarnwick/rpc/helperlog.h"
#include "tarnwick/rpc/logredaction.h"
#include "tarnwick/rpc/params.h"

namespace tarnwick {
namespace {

constexpr std::string_view kMessageCategory = "tarnwick.message";
constexpr std::string_view kVerificationCategory = "tarnwick.message.verification";
constexpr std::string_view kCopyCode = "tarnwick.copyCode";
constexpr std::string_view kArchive = "tarnwick.archive";
constexpr std::string_view kMarkRead = "tarnwick.markRead";
constexpr std::string_view kTrash = "tarnwick.trash";

const std::string* stringAt(const Object& object, std::string_view key)
{
    const auto it = object.find(key);
    return it == object.end() ? nullptr : it->second.string();
}

std::string stringOrEmpty(const Object& object, std::string_view key)
{
    const std::string* s = stringAt(object, key);
    return s ? *s : std::string();
}

bool isHeldBack(std::string_view level)
{
    return level == "off" || level == "badge";
}

} // namespace

NotificationController::NotificationController()
    : NotificationControllerBase("Tarnwick")
{
}

NotificationController::NotificationController(NotificationEnvironment environment, FocusFilterController& focus)
    : NotificationControllerBase("Tarnwick", environment)
    , m_focus(&focus)
{
}

NotificationController& NotificationController::shared()
{
    static NotificationController* instance = new NotificationController;
    return *instance;
}

FocusFilterController& NotificationController::focus() const
{
    return m_focus ? *m_focus : FocusFilterController::shared();
}

std::vector<NotificationCategory> NotificationController::makeCategories()
{
    const NotificationAction copyCode{std::string(kCopyCode), "Copy Code"};
    const NotificationAction archive{std::string(kArchive), "Archive"};
    const NotificationAction markRead{std::string(kMarkRead), "Mark Read"};
    const NotificationAction trash{std::string(kTrash), "Delete", true};
    return {
        {std::string(kMessageCategory), {archive, markRead, trash}},
        {std::string(kVerificationCategory), {copyCode, markRead, archive}},
    };
}

void NotificationController::dispatch(std::shared_ptr<StdioTransport> transport, const Object& params)
{
    if (!prepareForDispatch(std::move(transport)))
        return;
    // "notify.clearAll" forgets the categories and setup does not run twice; without them every
    // later banner would lose its buttons (Copy Code included) for the rest of the run.
    if (registeredCategories().empty()) {
        const auto wanted = makeCategories();
        applyCategories(std::set<NotificationCategory>(wanted.begin(), wanted.end()));
    }
    if (params.empty())
        return;
    const std::string* accountId = params::string(params, "accountId");
    const auto messages = params::objectList(params, "messages");
    if (!accountId || !messages)
        return;
    std::map<std::string, std::string> levels;
    if (const Value* notifications = params::member(params, "notifications")) {
        if (auto dictionary = params::stringDictionary(*notifications))
            levels = std::move(*dictionary);
    }

    const FocusFilterController& filter = focus();
    const auto& active = filter.activeAccountIds();
    if (filter.isFilterActive() && !active.empty() && std::find(active.begin(), active.end(), *accountId) == active.end()) {
        HelperLog::info("Focus", std::to_string(messages->size()) + " banner(s) suppressed; " + boundForLog(*accountId, 128) +
                                     " is muted by a Focus");
        return;
    }

    std::size_t held = 0;
    for (const Object& message : *messages) {
        const std::string* id = stringAt(message, "id");
        if (!id || m_dispatchedIds.contains(*id))
            continue;
        // Recorded before the level is looked at: a held-back message is never shown later either.
        record(*id);
        const MailCategory category = mailcategory::from(stringAt(message, "category"));
        const auto level = levels.find(std::string(mailcategory::rawValue(category)));
        const std::string levelText = level == levels.end() ? std::string("loud") : level->second;
        if (isHeldBack(levelText)) {
            ++held;
            continue;
        }
        const std::string identifier = "tarnwick." + *id;
        NotificationContent content = makeContent(message, *accountId, levelText);
        if (content.breaksThroughDoNotDisturb)
            trackBreakthrough(identifier, *accountId, category, content);
        post(identifier, std::move(content));
    }
    if (held >= 1) {
        HelperLog::info("Notifications", std::to_string(held) + " of " + std::to_string(messages->size()) +
                                             " banner(s) held back by their category level");
    }

    // The oldest ids go first, so the id of a banner shown a moment ago is never forgotten.
    while (m_recordingOrder.size() > dispatchedIdsLimit) {
        m_dispatchedIds.erase(m_recordingOrder.front());
        m_recordingOrder.pop_front();
    }
}

void NotificationController::trackBreakthrough(const std::string& identifier, const std::string& accountId,
                                               MailCategory category, const NotificationContent& content)
{
    if (!m_focusSubscription)
        m_focusSubscription = focus().onFilterApplied([this] { releaseEndedBreakthroughs(); });
    // Plasma stacks critical banners and keeps them all: beyond a few, the oldest gives way.
    while (m_breakthroughs.size() >= breakthroughLimit) {
        HelperLog::info("Notifications", "More than " + std::to_string(breakthroughLimit) +
                                             " banners got through Do Not Disturb; the oldest now times out as usual");
        makeOrdinary(m_breakthroughs.front());
        m_breakthroughs.pop_front();
    }
    NotificationContent kept = content;
    kept.attachments.clear();
    m_breakthroughs.push_back({identifier, accountId, category, std::move(kept)});
}

void NotificationController::releaseEndedBreakthroughs()
{
    std::vector<Breakthrough> released;
    std::erase_if(m_breakthroughs, [&](Breakthrough& banner) {
        if (focus().breaksThroughDoNotDisturb(banner.accountId))
            return false;
        released.push_back(std::move(banner));
        return true;
    });
    if (released.empty())
        return;
    HelperLog::info("Notifications", std::to_string(released.size()) +
                                         " banner(s) that got through Do Not Disturb now time out as usual");
    for (const Breakthrough& banner : released)
        makeOrdinary(banner);
}

void NotificationController::makeOrdinary(const Breakthrough& banner)
{
    NotificationContent content = banner.content;
    content.breaksThroughDoNotDisturb = false;
    content.sound = false;  // it rang when it came
    if (auto attachment = CategoryAttachment::make(banner.category))
        content.attachments.push_back(std::move(*attachment));
    center().replaceDelivered(NotificationRequest{banner.identifier, std::move(content)},
                              [](std::optional<std::string> error) {
                                  if (error)
                                      HelperLog::error("Notifications", "Failed to dispatch: " + *error);
                              });
}

std::vector<std::string> NotificationController::breakthroughBanners() const
{
    std::vector<std::string> identifiers;
    for (const Breakthrough& banner : m_breakthroughs)
        identifiers.push_back(banner.identifier);
    return identifiers;
}

void NotificationController::clearAll()
{
    NotificationControllerBase::clearAll();
    m_breakthroughs.clear();
}

void NotificationController::didReceive(const NotificationResponse& response, std::function<void()> completion)
{
    // Answered (or closed) by the user: there is nothing left on screen to make ordinary.
    std::erase_if(m_breakthroughs,
                  [&](const Breakthrough& banner) { return banner.identifier == response.requestIdentifier; });
    // The helper's own notices (no tray on this desktop) share the notification service; a click on
    // one is no click on a mail and must not reach the main application as one.
    if (!stringAt(response.content.userInfo, "accountId")) {
        HelperLog::info("Notifications", "Response received: action=" + boundForLog(response.actionIdentifier, 64) +
                                             " id=" + boundForLog(stringOrEmpty(response.content.userInfo, "key"), 128) +
                                             "; not a mail banner");
        if (completion)
            completion();
        return;
    }
    NotificationControllerBase::didReceive(response, std::move(completion));
}

void NotificationController::record(const std::string& id)
{
    m_dispatchedIds.insert(id);
    m_recordingOrder.push_back(id);
}

NotificationContent NotificationController::makeContent(const Object& message, const std::string& accountId,
                                                        const std::string& level) const
{
    std::string payloadId;
    if (const std::string* threadId = stringAt(message, "threadId"))
        payloadId = *threadId;
    else if (const std::string* id = stringAt(message, "id"))
        payloadId = *id;
    const MailCategory category = mailcategory::from(stringAt(message, "category"));
    const std::string* subject = stringAt(message, "subject");
    const std::string snippet = stringOrEmpty(message, "snippet");
    const std::string code = stringOrEmpty(message, "verificationCode");

    NotificationContent content;
    content.title = parseSenderName(stringOrEmpty(message, "from"));
    const std::string subjectText = subject ? *subject : std::string("(no subject)");
    if (!snippet.empty()) {
        content.subtitle = subjectText;
        content.body = snippet;
    } else {
        content.body = subjectText;
    }
    content.categoryIdentifier = std::string(code.empty() ? kMessageCategory : kVerificationCategory);
    content.threadIdentifier = "tarnwick.category." + std::string(mailcategory::rawValue(category));
    if (auto attachment = CategoryAttachment::make(category))
        content.attachments.push_back(std::move(*attachment));
    content.userInfo = Object{{"accountId", Value(accountId)}, {"messageId", Value(payloadId)}, {"level", Value(level)}};
    if (!code.empty())
        content.userInfo.emplace("verificationCode", Value(code));
    content.sound = level == "loud";
    // The Do Not Disturb filter keeps this account on: its banners are meant to get through.
    content.breaksThroughDoNotDisturb = focus().breaksThroughDoNotDisturb(accountId);
    return content;
}

std::string NotificationController::parseSenderName(std::string_view from)
{
    if (from.empty())
        return "Unknown";
    static const QRegularExpression displayName(QStringLiteral("^\"?([^\"<]+)\"?\\s*<"));
    const QString text = QString::fromUtf8(from.data(), static_cast<qsizetype>(from.size()));
    const QRegularExpressionMatch match = displayName.match(text);
    if (!match.hasMatch())
        return text.trimmed().toStdString();
    QString name = match.captured(0);
    name.remove(QLatin1Char('"'));
    name.remove(QLatin1Char('<'));
    return name.trimmed().toStdString();
}

PresentationOption NotificationController::foregroundOptions(const NotificationContent& content) const
{
    const std::string* level = stringAt(content.userInfo, "level");
    if (!level || *level == "loud")
        return PresentationOption::Banner | PresentationOption::Sound;
    return PresentationOption::Banner;
}

std::optional<NotificationController::Event> NotificationController::makeActionPayload(const std::string& actionIdentifier,
                                                                                       const Object& userInfo)
{
    const std::string accountId = stringOrEmpty(userInfo, "accountId");
    const std::string messageId = stringOrEmpty(userInfo, "messageId");
    Object params{{"accountId", Value(accountId)}, {"messageId", Value(messageId)}};

    if (actionIdentifier == kCopyCode) {
        const std::string code = stringOrEmpty(userInfo, "verificationCode");
        if (!code.empty())
            desktopclipboard::setText(code, desktopclipboard::Origin::elsewhere);
        params.emplace("action", Value("copyCode"));
        params.emplace("code", Value(code));
        return Event{"notify.action", std::move(params)};
    }
    if (actionIdentifier == kArchive || actionIdentifier == kMarkRead || actionIdentifier == kTrash) {
        const std::string action = actionIdentifier == kArchive ? "archive" : actionIdentifier == kMarkRead ? "markRead" : "trash";
        params.emplace("action", Value(action));
        return Event{"notify.action", std::move(params)};
    }
    if (actionIdentifier == NotificationResponse::defaultActionIdentifier)
        return Event{"notify.click", std::move(params)};
    return std::nullopt;
}

} // namespace tarnwick
