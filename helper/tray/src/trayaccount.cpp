#include "tarnwick/helper/trayaccount.h"

#include "tarnwick/rpc/params.h"

namespace tarnwick {

TrayAccount TrayAccount::fromParams(const Object& object)
{
    TrayAccount account;
    if (const std::string* s = params::string(object, "id"))
        account.id = *s;
    if (const std::string* s = params::string(object, "name"))
        account.name = *s;
    if (const std::string* s = params::string(object, "color"))
        account.color = *s;
    account.unreadCount = params::integer(object, "unreadCount").value_or(0);
    if (const std::string* s = params::string(object, "email"))
        account.email = *s;
    account.needsAuth = params::boolean(object, "needsAuth").value_or(false);
    return account;
}

} // namespace tarnwick
