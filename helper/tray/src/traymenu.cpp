#include "tarnwick/helper/traymenu.h"

#include <algorithm>

namespace tarnwick::traymenu {

const std::vector<TrayMenuEntry>& entries()
{
    static const std::vector<TrayMenuEntry> list{
        {1, TrayMenuCommand::openInbox, "Open Inbox"},
        {2, TrayMenuCommand::newMessage, "New Message"},
        {3, TrayMenuCommand::refreshInbox, "Refresh Inbox"},
        {4, TrayMenuCommand::preferences, "Preferences…", true},
        {5, TrayMenuCommand::quit, "Quit Tarnwick", true},
    };
    return list;
}

std::optional<TrayMenuEntry> entry(int id)
{
    const auto& list = entries();
    const auto it = std::find_if(list.begin(), list.end(), [id](const TrayMenuEntry& e) { return e.id == id; });
    return it == list.end() ? std::nullopt : std::optional(*it);
}

} // namespace tarnwick::traymenu
