#pragma once

// The item's own menu, for trays that show one on a right click: the popover's main commands, so
// they are a click away even where the popover is not.

#include <optional>
#include <string_view>
#include <vector>

namespace tarnwick {

enum class TrayMenuCommand { openInbox, newMessage, refreshInbox, preferences, quit };

struct TrayMenuEntry {
    int id = 0;                    ///< stable, never 0 (the menu's root)
    TrayMenuCommand command;
    std::string_view label;        ///< as shown; "_" would be a mnemonic, so none is used
    bool separatorBefore = false;
};

namespace traymenu {

/// The entries in the order shown.
const std::vector<TrayMenuEntry>& entries();
/// The entry with this id; nothing for unknown ids (a stale menu, a hostile caller).
std::optional<TrayMenuEntry> entry(int id);

} // namespace traymenu
} // namespace tarnwick
