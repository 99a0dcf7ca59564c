#pragma once

// Owns the helper's tray item and its popover, turns the tray requests into model updates and the
// popover's controls into events. Main thread only.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tarnwick/helper/clock.h"
#include "tarnwick/helper/traymenu.h"
#include "tarnwick/helper/traypopoveractions.h"
#include "tarnwick/rpc/mainqueue.h"
#include "tarnwick/rpc/stdiotransport.h"

namespace tarnwick {

class FocusFilterController;
class StatusItemHost;
class TrayModel;

class MenuBarController {
public:
    /// The shortest time between closing the popover and a press that may open it again.
    static constexpr double kToggleDebounce = 0.25;

    MenuBarController(TrayModel& model, FocusFilterController& focusFilter, StatusItemHost& host,
                      MainQueue& mainQueue, const Clock& clock = Clock::system());
    ~MenuBarController();
    MenuBarController(const MenuBarController&) = delete;
    MenuBarController& operator=(const MenuBarController&) = delete;

    /// The process-wide instance, never destroyed.
    static MenuBarController& shared();

    /// Keeps the transport (always) and creates the tray item unless it exists.
    void create(std::shared_ptr<StdioTransport> transport);
    /// Closes the popover and removes the item.
    void destroy();
    /// "tray.update": the model, the Focus filter's account list, the log, the title, and fresh
    /// message lists while the popover is open.
    void updateData(const Object& params);
    /// "tray.messages": one account's recent messages, applied in a later main-queue task.
    void updateMessages(const std::string& accountId, const std::vector<Object>& messages);
    /// "tray.verificationCode": the params object, or none when it was missing or not an object.
    void updateVerificationCode(const Object* params);
    /// Rebuilds the item's title and description from the model.
    void updateTitle();

    /// An entry of the item's own menu: the popover control of the same name.
    void runMenuCommand(TrayMenuCommand command);
    /// The item's press: opens or closes the popover, ignoring presses right after a close.
    void togglePopover();
    void showPopover();
    void dismissPopover();
    /// The popover's own notices (it may close by itself: a click elsewhere, Escape).
    void popoverWillClose();
    void popoverDidClose();
    /// The popover's controls, bound to this controller (weakly).
    TrayPopoverActions makePopoverActions();

    const std::shared_ptr<StdioTransport>& transport() const { return m_transport; }
    bool hasStatusItem() const { return m_hasStatusItem; }
    bool hasPopover() const { return m_hasPopover; }

private:
    void send(std::string method, std::optional<Object> params = std::nullopt);
    void requestMessagesForEveryAccount();
    void notePopoverClosed();
    template <typename F>
    auto weakly(F f);

    TrayModel& m_model;
    FocusFilterController& m_focusFilter;
    StatusItemHost& m_host;
    MainQueue& m_mainQueue;
    const Clock& m_clock;
    std::shared_ptr<StdioTransport> m_transport;
    bool m_hasStatusItem = false;
    bool m_hasPopover = false;
    /// When the popover last closed, on the monotonic clock; nothing until it first closes.
    std::optional<double> m_popoverClosedAt;
    /// Callbacks and posted tasks hold this weakly, as their "controller still exists" check.
    std::shared_ptr<MenuBarController*> m_self;
};

} // namespace tarnwick
