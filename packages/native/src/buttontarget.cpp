#include "tarnwick/native/buttontarget.h"

#include "tarnwick/native/actionbridge.h"

namespace tarnwick::native {

ButtonTarget& ButtonTarget::shared()
{
    static ButtonTarget instance;
    return instance;
}

void ButtonTarget::registerAction(std::string_view itemId, std::string_view action)
{
    m_actions.insert_or_assign(std::string(itemId), std::string(action));
}

void ButtonTarget::handleClick(std::string_view itemId) const
{
    if (const auto it = m_actions.find(itemId); it != m_actions.end())
        ActionBridge::emit(it->second, "");
}

std::string ButtonTarget::actionFor(std::string_view itemId) const
{
    const auto it = m_actions.find(itemId);
    return it == m_actions.end() ? std::string() : it->second;
}

} // namespace tarnwick::native
