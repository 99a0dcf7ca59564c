#include "tarnwick/helper/traymodel.h"

#include <algorithm>
#include <limits>
#include <set>

#include "tarnwick/rpc/params.h"

namespace tarnwick {

namespace traythreadaction {

std::string_view rawValue(TrayThreadAction action)
{
    switch (action) {
    case TrayThreadAction::archive: return "archive";
    case TrayThreadAction::trash: return "trash";
    case TrayThreadAction::markRead: return "markRead";
    case TrayThreadAction::markUnread: return "markUnread";
    }
    return "archive";
}

std::optional<TrayThreadAction> fromRawValue(std::string_view raw)
{
    for (auto action : {TrayThreadAction::archive, TrayThreadAction::trash, TrayThreadAction::markRead,
                        TrayThreadAction::markUnread}) {
        if (rawValue(action) == raw)
            return action;
    }
    return std::nullopt;
}

} // namespace traythreadaction

namespace {

// Newest first; messages with equal keys keep their order.
template <typename T, typename KeyOf>
void sortNewestFirst(std::vector<T>& items, KeyOf keyOf)
{
    std::vector<std::pair<double, std::size_t>> keys;
    keys.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        keys.emplace_back(keyOf(items[i]), i);
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<T> sorted;
    sorted.reserve(items.size());
    for (const auto& key : keys)
        sorted.push_back(std::move(items[key.second]));
    items = std::move(sorted);
}

} // namespace

TrayModel::TrayModel(const Clock& clock, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
{
}

TrayModel& TrayModel::shared()
{
    static TrayModel* instance = new TrayModel;
    return *instance;
}

void TrayModel::update(const Object& params)
{
    if (auto list = params::objectList(params, "accounts")) {
        std::vector<TrayAccount> accounts;
        accounts.reserve(list->size());
        for (const Object& object : *list)
            accounts.push_back(TrayAccount::fromParams(object));
        m_accounts = std::move(accounts);
        Q_EMIT changed(Field::accounts);

        std::set<std::string> ids;
        for (const TrayAccount& account : m_accounts)
            ids.insert(account.id);
        std::erase_if(m_messagesByAccount, [&](const auto& entry) { return !ids.contains(entry.first); });
        Q_EMIT changed(Field::messagesByAccount);
        std::erase_if(m_localState, [&](const auto& entry) { return !ids.contains(entry.first); });
        if (m_selectedAccountId && !ids.contains(*m_selectedAccountId)) {
            m_selectedAccountId.reset();
            Q_EMIT changed(Field::selectedAccountId);
        }
    }
    if (auto total = params::integer(params, "totalUnread")) {
        m_totalUnread = *total;
        Q_EMIT changed(Field::totalUnread);
    }
    if (const std::string* display = params::string(params, "unreadDisplay")) {
        std::optional<MenuBarUnreadDisplay> mode;
        if (*display == "nothing")
            mode = MenuBarUnreadDisplay::nothing;
        else if (*display == "dots")
            mode = MenuBarUnreadDisplay::dots;
        else if (*display == "numbers")
            mode = MenuBarUnreadDisplay::numbers;
        if (mode) {
            m_unreadDisplay = *mode;
            Q_EMIT changed(Field::unreadDisplay);
        }
    }
    if (auto on = params::boolean(params, "showUnreadOnly")) {
        m_showUnreadOnly = *on;
        Q_EMIT changed(Field::showUnreadOnly);
    }
    if (auto on = params::boolean(params, "isOffline")) {
        m_isOffline = *on;
        Q_EMIT changed(Field::isOffline);
    }
    if (auto on = params::boolean(params, "isRestricted")) {
        m_isRestricted = *on;
        Q_EMIT changed(Field::isRestricted);
    }
    if (const Value* code = params::member(params, "verificationCode")) {
        if (const Object* object = code->object()) {
            updateVerificationCode(object);
        } else {
            m_currentVerificationCode.reset();
            Q_EMIT changed(Field::currentVerificationCode);
        }
    }
    if (auto on = params::boolean(params, "menuBarVerificationCodes")) {
        m_menuBarVerificationCodes = *on;
        Q_EMIT changed(Field::menuBarVerificationCodes);
    }
    if (auto minutes = params::integer(params, "verificationCodeDurationMinutes")) {
        m_verificationCodeDurationMinutes = *minutes;
        Q_EMIT changed(Field::verificationCodeDurationMinutes);
    }
}

void TrayModel::updateVerificationCode(const Object* params)
{
    if (params && !params->empty())
        m_currentVerificationCode = TrayVerificationCode::fromParams(*params, m_clock.now());
    else
        m_currentVerificationCode.reset();
    Q_EMIT changed(Field::currentVerificationCode);
}

std::map<std::string, TrayModel::LocalStateEntry> TrayModel::settle(const std::string& accountId,
                                                                    const std::vector<TrayMessage>& incoming,
                                                                    double now) const
{
    std::map<std::string, LocalStateEntry> surviving;
    const auto marks = m_localState.find(accountId);
    if (marks == m_localState.end())
        return surviving;
    // The first message with an id counts.
    std::map<std::string_view, const TrayMessage*> byId;
    for (const TrayMessage& message : incoming)
        byId.emplace(message.id, &message);
    for (const auto& [messageId, entry] : marks->second) {
        const auto found = byId.find(messageId);
        if (found == byId.end())
            continue; // removal confirmed, or the message left the list
        if (entry.kind == LocalStateEntry::Kind::read && found->second->isUnread == entry.isUnread)
            continue; // the main application agrees now
        if (!(now - entry.setAt < localStateGrace))
            continue;
        surviving.emplace(messageId, entry);
    }
    return surviving;
}

void TrayModel::setMessages(const std::string& accountId, std::vector<TrayMessage> incoming)
{
    m_isRefreshing = false;
    Q_EMIT changed(Field::isRefreshing);

    const double now = m_clock.now();
    auto marks = settle(accountId, incoming, now);

    std::vector<TrayMessage> kept;
    kept.reserve(incoming.size());
    for (TrayMessage& message : incoming) {
        const auto mark = marks.find(message.id);
        if (mark != marks.end()) {
            if (mark->second.kind == LocalStateEntry::Kind::removed)
                continue;
            message.isUnread = mark->second.isUnread;
        }
        kept.push_back(std::move(message));
    }
    sortNewestFirst(kept, [](const TrayMessage& m) { return m.sortKey(); });
    if (kept.size() > retentionLimit)
        kept.resize(retentionLimit);

    if (marks.empty())
        m_localState.erase(accountId);
    else
        m_localState[accountId] = std::move(marks);
    m_messagesByAccount[accountId] = std::move(kept);
    Q_EMIT changed(Field::messagesByAccount);
}

void TrayModel::apply(TrayThreadAction action, const std::string& accountId, const std::string& messageId)
{
    const auto list = m_messagesByAccount.find(accountId);
    if (list == m_messagesByAccount.end())
        return;
    auto& messages = list->second;
    const auto message = std::find_if(messages.begin(), messages.end(),
                                      [&](const TrayMessage& m) { return m.id == messageId; });
    if (message == messages.end())
        return;

    LocalStateEntry entry{LocalStateEntry::Kind::read, false, m_clock.now()};
    switch (action) {
    case TrayThreadAction::markRead:
        *message = message->markedRead();
        entry.isUnread = false;
        break;
    case TrayThreadAction::markUnread:
        *message = message->markedUnread();
        entry.isUnread = true;
        break;
    case TrayThreadAction::archive:
    case TrayThreadAction::trash:
        messages.erase(message);
        entry.kind = LocalStateEntry::Kind::removed;
        if (m_currentVerificationCode && (m_currentVerificationCode->messageId == messageId ||
                                          m_currentVerificationCode->threadId == messageId)) {
            m_currentVerificationCode.reset();
            Q_EMIT changed(Field::currentVerificationCode);
        }
        break;
    }
    Q_EMIT changed(Field::messagesByAccount);
    m_localState[accountId][messageId] = entry;
}

void TrayModel::setSelectedAccountId(std::optional<std::string> accountId)
{
    m_selectedAccountId = std::move(accountId);
    Q_EMIT changed(Field::selectedAccountId);
}

void TrayModel::setShowUnreadOnly(bool on)
{
    m_showUnreadOnly = on;
    Q_EMIT changed(Field::showUnreadOnly);
}

void TrayModel::setIsRefreshing(bool on)
{
    m_isRefreshing = on;
    Q_EMIT changed(Field::isRefreshing);
}

std::vector<const TrayAccount*> TrayModel::accountsInScope() const
{
    std::vector<const TrayAccount*> scope;
    for (const TrayAccount& account : m_accounts) {
        if (!m_selectedAccountId || account.id == *m_selectedAccountId)
            scope.push_back(&account);
    }
    return scope;
}

std::vector<TrayModel::VisibleMessage> TrayModel::visibleMessages() const
{
    std::vector<VisibleMessage> visible;
    for (const TrayAccount* account : accountsInScope()) {
        const auto list = m_messagesByAccount.find(account->id);
        if (list == m_messagesByAccount.end())
            continue;
        for (const TrayMessage& message : list->second) {
            if (!m_showUnreadOnly || message.isUnread)
                visible.push_back({message, *account});
        }
    }
    sortNewestFirst(visible, [](const VisibleMessage& v) { return v.message.sortKey(); });
    return visible;
}

std::int64_t TrayModel::visibleUnreadCount() const
{
    // Counts come from the main application; a hostile pair must not overflow the sum.
    std::int64_t sum = 0;
    for (const TrayAccount* account : accountsInScope()) {
        std::int64_t next = 0;
        if (__builtin_add_overflow(sum, account->unreadCount, &next))
            next = account->unreadCount > 0 ? std::numeric_limits<std::int64_t>::max()
                                             : std::numeric_limits<std::int64_t>::min();
        sum = next;
    }
    return sum;
}

std::optional<TrayVerificationCode> TrayModel::activeVerificationCode() const
{
    if (!m_menuBarVerificationCodes || !m_currentVerificationCode)
        return std::nullopt;
    const double elapsed = m_clock.now() - m_currentVerificationCode->receivedAt;
    // In floating point: minutes × 60 cannot overflow there.
    if (elapsed <= static_cast<double>(m_verificationCodeDurationMinutes) * 60.0)
        return m_currentVerificationCode;
    return std::nullopt;
}

std::vector<std::string> TrayModel::localMarks(const std::string& accountId) const
{
    std::vector<std::string> ids;
    if (const auto marks = m_localState.find(accountId); marks != m_localState.end()) {
        for (const auto& entry : marks->second)
            ids.push_back(entry.first);
    }
    return ids;
}

} // namespace tarnwick
