#pragma once

#include <functional>
#include <optional>
#include <string>

#include "tarnwick/helper/traymodel.h"

namespace tarnwick {

/// What the tray popover's controls do, bound by the menu bar controller: each sends its event to the
/// main application and closes the popover where that is the rule. The popover view only calls them.
struct TrayPopoverActions {
    std::function<void(const std::optional<std::string>& accountId)> onCompose;
    std::function<void(const std::string& accountId)> onShowAccount;
    std::function<void(const std::string& accountId, const std::string& threadId)> onShowThread;
    std::function<void(const std::string& accountId, const std::string& threadId, TrayThreadAction action)>
        onThreadAction;
    std::function<void()> onOpenApp;
    std::function<void(const std::string& query, const std::optional<std::string>& accountId)> onSearch;
    std::function<void()> onRefresh;
    std::function<void()> onOpenSettings;
    std::function<void()> onQuit;
    std::function<void(bool unreadOnly)> onUnreadOnlyChanged;
};

} // namespace tarnwick
