#pragma once

// The popover's account menus hold one choice ("All Accounts" or one account) in an exclusive group.
// Some styles mark the chosen entry of such a group with a small dot that reads like the accounts'
// own colour dots; these menus mark it with a check, as the desktop marks a checked entry.

class QMenu;

namespace tarnwick::traypopovermenustyle {

/// Gives `menu` the check mark for its chosen exclusive entry, for as long as the menu lives.
void markChoicesWithChecks(QMenu* menu);

} // namespace tarnwick::traypopovermenustyle
