#include "tarnwick/widgets/widgetlinks.h"

namespace tarnwick::widgetlinks {

std::string inbox()
{
    return "tarnwick://inbox";
}

std::string inbox(std::string_view accountId)
{
    return "tarnwick://inbox?account=" + std::string(accountId);
}

std::string compose()
{
    return "tarnwick://compose";
}

std::string compose(std::string_view accountId)
{
    return "tarnwick://compose?account=" + std::string(accountId);
}

std::string thread(std::string_view threadId, std::string_view accountId)
{
    return "tarnwick://thread/" + std::string(threadId) + "?account=" + std::string(accountId);
}

} // namespace tarnwick::widgetlinks
