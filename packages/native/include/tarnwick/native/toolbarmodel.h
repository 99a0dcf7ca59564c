#pragma once

// What the account switcher shows: the accounts in order and the active one. Filled from the
// accounts JSON {"accounts": [...], "activeAccountId": "..."}, member by member.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/native/toolbaraccount.h"

namespace tarnwick::native {

/// The usable members of one accounts JSON text; an absent field leaves the model's value alone.
struct AccountsUpdate {
    std::optional<std::vector<ToolbarAccount>> accounts;
    std::optional<std::string> activeAccountId;

    /// Nothing (and a log line) when the text does not parse or is not an object. "accounts" counts
    /// only as an array whose every element is an object; "activeAccountId" only as a string.
    static std::optional<AccountsUpdate> fromJson(std::string_view json);
};

class ToolbarModel {
public:
    std::vector<ToolbarAccount> accounts;
    std::string activeAccountId;

    /// Applies the usable members of `json`; returns false when the text was rejected as a whole.
    bool update(std::string_view json);
    void apply(const AccountsUpdate& update);
};

} // namespace tarnwick::native
