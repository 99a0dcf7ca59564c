#pragma once

// "Filter Accounts": the Focus filter the user configures per Focus. Applying it writes the chosen
// accounts to focus-filter.json and announces the change so the helper re-reads it.

#include <optional>
#include <string>
#include <system_error>
#include <variant>
#include <vector>

#include "tarnwick/extensionkit/accountquery.h"
#include "tarnwick/extensionkit/extensionlogger.h"
#include "tarnwick/platform/focusfilternotifier.h"
#include "tarnwick/platform/systempaths.h"

namespace tarnwick {

/// The filter's own failure.
struct TarnwickFocusFilterError {
    enum class Code { StateWriteFailed };
    Code code = Code::StateWriteFailed;
    /// The text the user sees.
    static constexpr const char* kStateWriteFailedText =
        "Tarnwick could not save the Focus Filter state. Check that Tarnwick is installed in /Applications.";
};

/// Why perform() failed: the filter's own error, the file system's error while writing, or the reason
/// the announcement could not be posted (the file is written by then).
struct FocusFilterPostError {
    std::string reason;
};
using FocusFilterPerformError = std::variant<TarnwickFocusFilterError, std::error_code, FocusFilterPostError>;

class TarnwickFocusFilter {
public:
    static constexpr const char* kTitle = "Filter Accounts";
    static constexpr const char* kDescription =
        "Choose which accounts stay active during this Focus. The rest are silenced and left out of the menu bar, "
        "widgets and unread count.";
    /// The two parameters as the Focus settings present them.
    static constexpr const char* kAccountsTitle = "Accounts";
    static constexpr const char* kAccountsDescription = "Turning an account off silences it.";
    static constexpr const char* kDisableExcludedTitle = "Prevent Access to Silenced Accounts";
    static constexpr const char* kDisableExcludedDescription = "Gray out silenced accounts so they cannot be opened.";

    std::vector<AccountEntity> accounts;
    bool disableExcludedAccounts = false;

    /// A fresh filter: every account loadAccounts() offers, others only silenced.
    static TarnwickFocusFilter fresh(const AccountQuery& query);
    /// The suggestions offered for any context: one fresh filter.
    static std::vector<TarnwickFocusFilter> suggestedFocusFilters(const AccountQuery& query);

    /// The names joined with ", " in parameter order, or "All Accounts".
    std::string displayTitle() const;
    /// "Others silenced and blocked" or "Others silenced".
    std::string displaySubtitle() const;

    /// Everything perform() needs from outside.
    struct Environment {
        const SystemPaths& paths;
        FocusFilterNotifier& notifier;
        ExtensionLogger& logger;
    };
    /// Writes the state at the Focus filter file's location (atomically, creating no directory) and
    /// posts the announcement only after a successful write. Logs each step.
    std::optional<FocusFilterPerformError> perform(Environment environment) const;
};

} // namespace tarnwick
