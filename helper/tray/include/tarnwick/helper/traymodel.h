#pragma once

// The one in-memory state behind the tray item, its popover and the verification code card. The main
// application fills it ("tray.update", "tray.messages", "tray.verificationCode"); the popover writes
// the filter fields and applies the user's message actions optimistically. Main thread only.

#include <QObject>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/helper/clock.h"
#include "tarnwick/helper/trayaccount.h"
#include "tarnwick/helper/traymessage.h"
#include "tarnwick/helper/trayverificationcode.h"

namespace tarnwick {

/// How the tray item's title shows unread mail.
enum class MenuBarUnreadDisplay { nothing, dots, numbers };

/// What the user did to a message in the popover; the raw values are the "action" of
/// "tray.threadAction".
enum class TrayThreadAction { archive, trash, markRead, markUnread };

namespace traythreadaction {
std::string_view rawValue(TrayThreadAction action);
std::optional<TrayThreadAction> fromRawValue(std::string_view raw);
} // namespace traythreadaction

class TrayModel : public QObject {
    Q_OBJECT
public:
    /// The published fields; changed() names the one that was assigned.
    enum class Field {
        accounts,
        totalUnread,
        messagesByAccount,
        selectedAccountId,
        unreadDisplay,
        showUnreadOnly,
        isOffline,
        isRestricted,
        currentVerificationCode,
        menuBarVerificationCodes,
        verificationCodeDurationMinutes,
        isRefreshing,
    };
    Q_ENUM(Field)

    static constexpr std::size_t retentionLimit = 20;
    static constexpr double localStateGrace = 30.0; ///< seconds

    struct VisibleMessage {
        TrayMessage message;
        TrayAccount account;
    };

    explicit TrayModel(const Clock& clock = Clock::system(), QObject* parent = nullptr);
    /// The process-wide instance, never destroyed.
    static TrayModel& shared();

    /// Applies "tray.update"; keys that are missing or of another kind leave their field alone.
    void update(const Object& params);
    /// Applies "tray.verificationCode"; nothing (no params object) clears the code.
    void updateVerificationCode(const Object* params);
    /// Replaces one account's recent messages, honouring the user's recent local marks.
    void setMessages(const std::string& accountId, std::vector<TrayMessage> incoming);
    /// The optimistic local change for a message action; records a local mark.
    void apply(TrayThreadAction action, const std::string& accountId, const std::string& messageId);

    const std::vector<TrayAccount>& accounts() const { return m_accounts; }
    std::int64_t totalUnread() const { return m_totalUnread; }
    const std::map<std::string, std::vector<TrayMessage>>& messagesByAccount() const { return m_messagesByAccount; }
    const std::optional<std::string>& selectedAccountId() const { return m_selectedAccountId; }
    MenuBarUnreadDisplay unreadDisplay() const { return m_unreadDisplay; }
    bool showUnreadOnly() const { return m_showUnreadOnly; }
    bool isOffline() const { return m_isOffline; }
    bool isRestricted() const { return m_isRestricted; }
    const std::optional<TrayVerificationCode>& currentVerificationCode() const { return m_currentVerificationCode; }
    bool menuBarVerificationCodes() const { return m_menuBarVerificationCodes; }
    std::int64_t verificationCodeDurationMinutes() const { return m_verificationCodeDurationMinutes; }
    bool isRefreshing() const { return m_isRefreshing; }

    // Written by the popover.
    void setSelectedAccountId(std::optional<std::string> accountId);
    void setShowUnreadOnly(bool on);
    void setIsRefreshing(bool on);

    /// The (message, account) pairs the popover lists: accounts in scope, unread only when asked,
    /// newest first.
    std::vector<VisibleMessage> visibleMessages() const;
    /// The sum of the unread counts of the accounts in scope.
    std::int64_t visibleUnreadCount() const;
    /// The current code while it may be shown, else nothing. Expiry is judged on every read.
    std::optional<TrayVerificationCode> activeVerificationCode() const;

    /// The message ids of `accountId` that carry a local mark (for diagnostics and tests).
    std::vector<std::string> localMarks(const std::string& accountId) const;

Q_SIGNALS:
    void changed(tarnwick::TrayModel::Field field);

private:
    struct LocalStateEntry {
        enum class Kind { read, removed } kind;
        bool isUnread = false; ///< for `read`: the value the user set
        double setAt = 0;
    };

    std::vector<const TrayAccount*> accountsInScope() const;
    std::map<std::string, LocalStateEntry> settle(const std::string& accountId,
                                                  const std::vector<TrayMessage>& incoming, double now) const;

    const Clock& m_clock;
    std::vector<TrayAccount> m_accounts;
    std::int64_t m_totalUnread = 0;
    std::map<std::string, std::vector<TrayMessage>> m_messagesByAccount;
    std::optional<std::string> m_selectedAccountId;
    MenuBarUnreadDisplay m_unreadDisplay = MenuBarUnreadDisplay::numbers;
    bool m_showUnreadOnly = false;
    bool m_isOffline = false;
    bool m_isRestricted = false;
    std::optional<TrayVerificationCode> m_currentVerificationCode;
    bool m_menuBarVerificationCodes = true;
    std::int64_t m_verificationCodeDurationMinutes = 15;
    bool m_isRefreshing = false;
    std::map<std::string, std::map<std::string, LocalStateEntry>> m_localState;
};

} // namespace tarnwick
