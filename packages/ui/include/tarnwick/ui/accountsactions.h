#pragma once

// What the Accounts preferences tab does, apart from its pixels: the listed ids, the selection, and
// every user action with the "account.*" event it reports. Rename, recolour, profile choice and reorder
// change the model's local copy at once; add, remove, sign in and reset wait for the main
// application's next list. Every event goes out only while the model holds a transport.

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tarnwick/rpc/value.h"

namespace tarnwick {

class AccountListModel;

class AccountsActions {
public:
    /// The colours offered to new accounts, in order.
    static const std::vector<std::string>& defaultPalette();

    AccountsActions(AccountListModel& model, std::vector<std::string> palette = defaultPalette());

    AccountListModel& model() const { return m_model; }
    const std::vector<std::string>& palette() const { return m_palette; }

    /// The string "id" of every account, in order; accounts without one are not listed.
    std::vector<std::string> listedIds() const;
    /// The first account with this id, if any.
    const Object* account(const std::string& id) const;
    /// A string field of an account; nothing for a missing account or key, or another kind.
    std::optional<std::string> value(const std::string& id, std::string_view key) const;
    /// A boolean field of an account; false for a missing account or key, or another kind.
    bool boolValue(const std::string& id, std::string_view key) const;

    const std::optional<std::string>& selectedId() const { return m_selected; }
    void select(std::optional<std::string> id) { m_selected = std::move(id); }
    /// Selects the first listed account when nothing is selected (the tab coming on screen).
    void selectFirstIfNone();

    /// The first palette colour no account uses yet (the first one when all are taken).
    std::string nextColor() const;
    /// "account.add" with "New Account" and nextColor().
    void add();
    /// Sets name and colour (and the profile, when given) in the local copy and sends "account.update".
    /// Nothing for an empty or unknown id.
    void update(const std::string& id, const std::string& name, const std::string& color,
                std::optional<std::string> browserProfile = std::nullopt);
    /// Whether removing is offered: an id is given and more than one account is listed.
    bool canRemove(const std::optional<std::string>& id) const;
    /// "account.remove" (never for the last account); clears the selection when it was the one removed.
    void remove(const std::string& id);
    /// Moves the listed accounts at `fromOffsets` to before `toOffset` (offsets into listedIds(), the
    /// way a list reports a drag), then sends "account.reorder" with every listed id.
    void move(const std::set<int>& fromOffsets, int toOffset);
    /// Puts the listed accounts into the order of `ids` (a permutation of listedIds(); anything else is
    /// ignored) and reports it.
    void reorder(const std::vector<std::string>& ids);
    /// "account.signIn".
    void signIn(const std::string& id);
    /// The reset confirmation's message, or nothing when the account has no name (no alert then).
    std::optional<std::string> resetPrompt(const std::string& id) const;
    /// "account.resetSession": the user confirmed the reset.
    void resetSession(const std::string& id);

    /// The profile menu of the row of `id` chose `profile` ("_none", "_auto" or a directory).
    void chooseProfile(const std::string& id, const std::string& profile);

    static constexpr std::string_view kResetInformativeText =
        "Signs this account out of Google and clears its cookies. Other accounts are untouched.";

private:
    void send(std::string method, Object params) const;

    AccountListModel& m_model;
    std::vector<std::string> m_palette;
    std::optional<std::string> m_selected;
};

} // namespace tarnwick
