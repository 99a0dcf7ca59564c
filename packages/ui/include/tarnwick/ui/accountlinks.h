#pragma once

// Which browser and Chromium profile an account's links open in, and the options of the "Open links
// in:" picker. Plain functions over the account-list model's data, so they are testable without views.

#include <optional>
#include <string>
#include <vector>

#include "tarnwick/rpc/value.h"

namespace tarnwick {

class AccountListModel;

namespace AccountLinks {

inline constexpr std::string_view kAuto = "_auto"; ///< match the profile by the account's email
inline constexpr std::string_view kNone = "_none"; ///< open links without a profile

/// `openLinksIn` unless it is "system"; then the default browser's "id", or "system" when it has none.
std::string linkedBrowser(const AccountListModel& model);
/// Whether the linked browser is a Chromium browser, i.e. has profiles to choose between.
bool profilesSupported(const AccountListModel& model);
/// The linked browser's "name", else the default browser's, else "This browser".
std::string linkedBrowserName(const AccountListModel& model);
/// The profiles known for a browser id (empty when none).
std::vector<std::map<std::string, std::string>> profiles(const AccountListModel& model, const std::string& browserId);
/// The account's "browserProfile" unless "_auto" (or missing); for "_auto" the directory of the linked
/// browser's profile whose email matches the account's (letter case ignored), else "_none".
std::string effectiveProfile(const AccountListModel& model, const Object& account);
/// The profile menu's title: "No profiles", "None", or the chosen profile's name.
std::string profileSummary(const AccountListModel& model, const Object& account);

struct ProfileMenuItem {
    std::string title;
    std::string value; ///< "_none" or a profile directory
    bool checked = false;
    bool separatorBefore = false;
    friend bool operator==(const ProfileMenuItem&, const ProfileMenuItem&) = default;
};
std::vector<ProfileMenuItem> profileMenuItems(const AccountListModel& model, const Object& account);
/// The profile stored when `item` is toggled: its value when it becomes checked, "_auto" when the
/// checked item is unchecked (back to automatic matching).
std::string profileChoice(const ProfileMenuItem& item);
/// The profile menu's tooltip.
std::string profileMenuToolTip(const AccountListModel& model);

/// The links browser picker of the General preferences.
struct PickerOption {
    std::string title;
    std::string value;
    friend bool operator==(const PickerOption&, const PickerOption&) = default;
};
/// The default browser's name when its "id" is "other" (a browser the main application does not
/// list) and the name is not empty.
std::optional<std::string> unlistedDefaultName(const Object& defaultBrowser);
std::vector<PickerOption> pickerOptions(const std::vector<Object>& browsers, const Object& defaultBrowser,
                                        const std::string& selection);
/// The option shown as selected for a stored selection.
std::string pickerShownSelection(const std::string& selection, const Object& defaultBrowser);

} // namespace AccountLinks

} // namespace tarnwick
