#include "tarnwick/notifications/fakenotificationcenter.h"

namespace tarnwick {

void FakeNotificationCenter::setCategories(std::set<NotificationCategory> c)
{
    categories = std::move(c);
    ++setCategoriesCalls;
}

void FakeNotificationCenter::requestAuthorization(AuthorizationCompletion completion)
{
    ++authorizationRequestCount;
    authorizationRequests.push_back(std::move(completion));
}

void FakeNotificationCenter::add(NotificationRequest request, AddCompletion completion)
{
    added.push_back(request);
    if (!addError)
        delivered[request.identifier] = std::move(request);
    if (completion)
        completion(addError);
}

bool FakeNotificationCenter::replaceDelivered(NotificationRequest request, AddCompletion completion)
{
    if (!delivered.contains(request.identifier))
        return false;
    replaced.push_back(request);
    add(std::move(request), std::move(completion));
    return true;
}

void FakeNotificationCenter::removeAllDelivered()
{
    delivered.clear();
    removals.emplace_back("delivered:*");
}

void FakeNotificationCenter::removeAllPending()
{
    removals.emplace_back("pending:*");
}

void FakeNotificationCenter::removeDelivered(const std::vector<std::string>& identifiers)
{
    for (const auto& id : identifiers) {
        delivered.erase(id);
        removals.push_back("delivered:" + id);
    }
}

void FakeNotificationCenter::removePending(const std::vector<std::string>& identifiers)
{
    for (const auto& id : identifiers)
        removals.push_back("pending:" + id);
}

void FakeNotificationCenter::answerAuthorization(bool granted, std::optional<std::string> error)
{
    if (authorizationRequests.empty())
        return;
    auto completion = std::move(authorizationRequests.front());
    authorizationRequests.erase(authorizationRequests.begin());
    completion(granted, std::move(error));
}

bool FakeNotificationCenter::respond(const std::string& identifier, std::string_view actionIdentifier)
{
    const auto it = delivered.find(identifier);
    if (it == delivered.end() || !delegate)
        return false;
    bool completed = false;
    delegate->didReceive(NotificationResponse{std::string(actionIdentifier), identifier, it->second.content},
                         [&completed] { completed = true; });
    return completed;
}

} // namespace tarnwick
