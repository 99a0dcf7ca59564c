#pragma once

// Routes clicks of toolbar buttons to actions: item identifier -> action name. Process-wide; UI
// thread only.

#include <map>
#include <string>
#include <string_view>

namespace tarnwick::native {

class ButtonTarget {
public:
    static ButtonTarget& shared();

    void registerAction(std::string_view itemId, std::string_view action);
    /// Emits (action, "") for a registered identifier; does nothing for any other.
    void handleClick(std::string_view itemId) const;
    /// The action registered for `itemId`, or "" (tests, menus).
    std::string actionFor(std::string_view itemId) const;

private:
    std::map<std::string, std::string, std::less<>> m_actions;
};

} // namespace tarnwick::native
