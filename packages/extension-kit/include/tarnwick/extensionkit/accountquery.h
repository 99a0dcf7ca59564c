#pragma once

// The accounts the Focus filter offers, read from accounts.json (a JSON array of objects with string
// "id" and "name" and an optional string "color") that the main application writes. Candidates, in
// order: the group container's accounts.json, then "Library/Application Support/Tarnwick/accounts.json"
// under the real home. The first candidate that yields an account wins; with none, one default
// account ("account_personal", "Personal", "#a855f7") stands in, so the list is never empty.
// Nothing is cached: every query reads the file again.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/extensionkit/extensionlogger.h"
#include "tarnwick/platform/systempaths.h"

namespace tarnwick {

struct AccountEntity {
    /// What one of these is called where the Focus settings list them.
    static constexpr std::string_view kTypeDisplayName = "Tarnwick Account";

    std::string id;
    std::string name;
    std::string colorHex;  ///< as written by the main application; empty when absent
    friend bool operator==(const AccountEntity&, const AccountEntity&) = default;
};

class AccountQuery {
public:
    static constexpr std::string_view kFileName = "accounts.json";
    static AccountEntity defaultAccount();

    /// `logger` gets the two "loadAccounts: ..." lines. Both must outlive the query.
    explicit AccountQuery(ExtensionLogger& logger, const SystemPaths& paths = SystemPaths::current());

    /// Never empty.
    std::vector<AccountEntity> loadAccounts() const;
    /// The loaded accounts whose id is in `ids`, in loaded order; unknown ids are left out.
    std::vector<AccountEntity> entities(const std::vector<std::string>& ids) const;
    std::vector<AccountEntity> allEntities() const { return loadAccounts(); }
    std::vector<AccountEntity> suggestedEntities() const { return loadAccounts(); }

    /// The accounts in one file's text, or nothing unless the top level is an array of objects.
    /// Objects without a string "id" and a string "name" are skipped.
    static std::optional<std::vector<AccountEntity>> decode(std::string_view text);

private:
    ExtensionLogger& m_logger;
    const SystemPaths& m_paths;
};

} // namespace tarnwick
