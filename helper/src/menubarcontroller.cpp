#include "tarnwick/helper/menubarcontroller.h"

namespace tarnwick {

MenuBarController& MenuBarController::shared()
{
    static MenuBarController* instance = new MenuBarController;
    return *instance;
}

void MenuBarController::create(std::shared_ptr<StdioTransport> transport)
{
    m_transport = std::move(transport);
    // PENDING: the tray item itself.
}

void MenuBarController::destroy()
{
    // PENDING: removing the tray item.
}

void MenuBarController::updateData(const Object& params)
{
    // PENDING: the tray model and title.
    (void)params;
}

void MenuBarController::updateMessages(const std::string& accountId, const std::vector<Object>& messages)
{
    // PENDING: the tray model's message lists.
    (void)accountId;
    (void)messages;
}

void MenuBarController::updateVerificationCode(const Object* params)
{
    // PENDING: the tray model's verification code.
    (void)params;
}

} // namespace tarnwick
