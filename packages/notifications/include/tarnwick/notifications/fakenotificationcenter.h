#pragma once

// Test fake of the notification service: records every call, answers the permission question and
// posts only when the test says so, and plays the user's responses to the delegate.

#include <map>

#include "tarnwick/notifications/notificationcenter.h"

namespace tarnwick {

class FakeNotificationCenter final : public NotificationCenter {
public:
    NotificationCenterDelegate* delegate = nullptr;
    std::set<NotificationCategory> categories;
    int setCategoriesCalls = 0;
    /// Unanswered permission questions, oldest first; answer them with answerAuthorization().
    std::vector<AuthorizationCompletion> authorizationRequests;
    int authorizationRequestCount = 0;
    /// When set, add() fails with this description.
    std::optional<std::string> addError;
    /// Every request added, in order, and the ones shown now by identifier.
    std::vector<NotificationRequest> added;
    std::map<std::string, NotificationRequest> delivered;
    /// Every replaceDelivered() call that found its notification (and was added like add()).
    std::vector<NotificationRequest> replaced;
    /// Every removal, as "delivered:<id>", "pending:<id>", "delivered:*" or "pending:*".
    std::vector<std::string> removals;

    void setDelegate(NotificationCenterDelegate* d) override { delegate = d; }
    void setCategories(std::set<NotificationCategory> c) override;
    void requestAuthorization(AuthorizationCompletion completion) override;
    void add(NotificationRequest request, AddCompletion completion) override;
    bool replaceDelivered(NotificationRequest request, AddCompletion completion) override;
    void removeAllDelivered() override;
    void removeAllPending() override;
    void removeDelivered(const std::vector<std::string>& identifiers) override;
    void removePending(const std::vector<std::string>& identifiers) override;

    /// Answers the oldest permission question.
    void answerAuthorization(bool granted, std::optional<std::string> error = std::nullopt);
    /// The user responds to the delivered notification `identifier`. True when it was shown and the
    /// delegate called its completion before returning; false otherwise.
    bool respond(const std::string& identifier, std::string_view actionIdentifier);
};

} // namespace tarnwick
