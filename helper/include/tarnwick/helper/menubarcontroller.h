#pragma once

// Owns the helper's tray item and its popover, and turns the tray requests into model updates.

#include <memory>
#include <string>
#include <vector>

#include "tarnwick/rpc/stdiotransport.h"

namespace tarnwick {

class MenuBarController {
public:
    static MenuBarController& shared();

    /// Keeps the transport (always) and creates the tray item unless it exists.
    void create(std::shared_ptr<StdioTransport> transport);
    void destroy();
    /// "tray.update": the whole params object.
    void updateData(const Object& params);
    /// "tray.messages": one account's recent messages.
    void updateMessages(const std::string& accountId, const std::vector<Object>& messages);
    /// "tray.verificationCode": the params object, or none when it was missing or not an object.
    void updateVerificationCode(const Object* params);

    const std::shared_ptr<StdioTransport>& transport() const { return m_transport; }

private:
    std::shared_ptr<StdioTransport> m_transport;
};

} // namespace tarnwick
