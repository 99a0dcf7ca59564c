#pragma once

// Mail banners: filters each batch of new messages (Focus, already considered, per-category
// level), posts one banner per remaining message with its category's actions and picture, and turns
// clicks and action buttons into "notify.click" / "notify.action" events. Main thread only.
//
// Banners of accounts that the Do Not Disturb filter keeps on go out critical, so GNOME and Plasma
// show them during Do Not Disturb; but those desktops never time critical banners out. So at most
// `breakthroughLimit` of them stay critical (an older one becomes ordinary when a newer one comes),
// and when Do Not Disturb ends, or the filter no longer keeps their account, the rest become ordinary
// banners in place: same notification, normal urgency and timeout, no second sound. They leave the
// screen as any banner does and stay in the desktop's notification list with their buttons.

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

#include "tarnwick/mail/mailcategory.h"
#include "tarnwick/notifications/notificationcontrollerbase.h"
#include "tarnwick/rpc/stdiotransport.h"

namespace tarnwick {

class FocusFilterController;

class NotificationController : public NotificationControllerBase {
public:
    /// How many message ids are remembered at most after a dispatch.
    static constexpr std::size_t dispatchedIdsLimit = 1000;
    /// How many banners stay critical (through Do Not Disturb) at once.
    static constexpr std::size_t breakthroughLimit = 3;

    /// appName "Tarnwick"; the process-wide notification center and FocusFilterController::shared().
    NotificationController();
    /// Tests: their own center, main queue and Focus filter.
    NotificationController(NotificationEnvironment environment, FocusFilterController& focus);

    static NotificationController& shared();

    /// "notify.dispatch": one account's new messages with the per-category levels.
    void dispatch(std::shared_ptr<StdioTransport> transport, const Object& params);

    /// The ids a banner was considered for; the most recently recorded ones are kept.
    const std::unordered_set<std::string>& dispatchedIds() const { return m_dispatchedIds; }

    static std::vector<NotificationCategory> makeCategories();
    NotificationContent makeContent(const Object& message, const std::string& accountId, const std::string& level) const;
    /// The display name of a "From" header: `"Name" <address>` gives Name; empty gives "Unknown".
    static std::string parseSenderName(std::string_view from);
    /// The event a response becomes; "Copy Code" also puts the code on the clipboard.
    std::optional<Event> makeActionPayload(const std::string& actionIdentifier, const Object& userInfo);

    std::vector<NotificationCategory> categories() const override { return makeCategories(); }
    PresentationOption foregroundOptions(const NotificationContent& content) const override;
    std::optional<Event> notificationEvent(const std::string& actionIdentifier, const Object& userInfo) override
    {
        return makeActionPayload(actionIdentifier, userInfo);
    }
    void clearAll() override;
    void didReceive(const NotificationResponse& response, std::function<void()> completion) override;

    /// Identifiers of the banners posted critical that are still critical, oldest first.
    std::vector<std::string> breakthroughBanners() const;

private:
    struct Breakthrough {
        std::string identifier;
        std::string accountId;
        MailCategory category;
        NotificationContent content;  ///< as posted, without its picture
    };

    FocusFilterController& focus() const;
    void record(const std::string& id);
    void trackBreakthrough(const std::string& identifier, const std::string& accountId, MailCategory category,
                           const NotificationContent& content);
    /// Turns the critical banners whose account Do Not Disturb no longer lets through into ordinary ones.
    void releaseEndedBreakthroughs();
    void makeOrdinary(const Breakthrough& banner);

    FocusFilterController* m_focus = nullptr;
    std::unordered_set<std::string> m_dispatchedIds;
    std::deque<std::string> m_recordingOrder;  // oldest first, for trimming
    std::deque<Breakthrough> m_breakthroughs;  // oldest first
    std::shared_ptr<const std::function<void()>> m_focusSubscription;
};

} // namespace tarnwick
