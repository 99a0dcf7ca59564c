#pragma once

// Maps each request's method onto the component that serves it and answers it.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "tarnwick/rpc/mainqueue.h"
#include "tarnwick/rpc/stdiotransport.h"

namespace tarnwick {

class SettingsModel;
class MenuBarController;
class NotificationController;
class FocusFilterController;

/// The components requests reach. `shared()` gives the process-wide instances; tests build their own.
struct HelperComponents {
    SettingsModel& settings;
    MenuBarController& menuBar;
    NotificationController& notifications;
    FocusFilterController& focusFilter;
    std::function<void(std::shared_ptr<StdioTransport>, std::optional<std::string> pane)> showSettingsWindow;

    static HelperComponents shared();
};

/// The transport's request handler. Runs on the main queue. Every known method answers "ok" (a
/// request without an id gets nothing); ill-shaped parameters skip their step silently; the two
/// Focus filter methods answer from a later main-queue task; an unknown method is the only error.
class Dispatcher {
public:
    Dispatcher(std::shared_ptr<StdioTransport> transport, MainQueue& mainQueue, HelperComponents components);

    void operator()(const RPCRequest& request);

private:
    void respondOk(const RPCRequest& request);
    void settingsShow(const Object* params);
    void settingsUpdate(const Object* params);
    void accountsUpdate(const Object* params);
    void trayMessages(const Object* params);
    void focusFilterGet(const RPCRequest& request);
    void focusFilterSet(const RPCRequest& request);

    std::shared_ptr<StdioTransport> m_transport;
    MainQueue& m_mainQueue;
    HelperComponents m_components;
};

} // namespace tarnwick
