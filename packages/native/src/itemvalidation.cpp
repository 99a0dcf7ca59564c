#include "tarnwick/native/itemvalidation.h"

namespace tarnwick::native {

ItemValidation& ItemValidation::shared()
{
    static ItemValidation instance;
    return instance;
}

void ItemValidation::set(std::string_view id, bool enabled)
{
    if (const auto it = m_enabled.find(id); it != m_enabled.end())
        it->second = enabled;
    else
        m_enabled.emplace(std::string(id), enabled);
}

void ItemValidation::setDefault(std::string_view id, bool enabled)
{
    if (m_enabled.find(id) == m_enabled.end())
        m_enabled.emplace(std::string(id), enabled);
}

bool ItemValidation::isEnabled(std::string_view id) const
{
    const auto it = m_enabled.find(id);
    return it == m_enabled.end() ? true : it->second;
}

} // namespace tarnwick::native
