#pragma once

// The helper's in-memory mirror of the main application's preferences, behind the settings window.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tarnwick/rpc/params.h"
#include "tarnwick/rpc/stdiotransport.h"

namespace tarnwick {

class SettingsModel {
public:
    static SettingsModel& shared();

    /// Applies the main application's settings object without sending events.
    void update(const Object& settings);

    /// Where "settings.changed" events go; set each time the settings window is shown.
    void setTransport(std::shared_ptr<StdioTransport> transport) { m_transport = std::move(transport); }
    const std::shared_ptr<StdioTransport>& transport() const { return m_transport; }

    // Display and account fields: stored as sent, never reported back.
    const std::vector<Object>& accounts() const { return m_accounts; }
    void setAccounts(std::vector<Object> accounts) { m_accounts = std::move(accounts); }
    const params::ProfileMap& browserProfiles() const { return m_browserProfiles; }
    void setBrowserProfiles(params::ProfileMap profiles) { m_browserProfiles = std::move(profiles); }
    const std::vector<Object>& browsers() const { return m_browsers; }
    void setBrowsers(std::vector<Object> browsers) { m_browsers = std::move(browsers); }
    const Object& defaultBrowser() const { return m_defaultBrowser; }
    void setDefaultBrowser(Object browser) { m_defaultBrowser = std::move(browser); }
    const std::string& appVersion() const { return m_appVersion; }
    void setAppVersion(std::string version) { m_appVersion = std::move(version); }
    const std::string& focusFilterStatus() const { return m_focusFilterStatus; }
    void setFocusFilterStatus(std::string status) { m_focusFilterStatus = std::move(status); }

private:
    std::shared_ptr<StdioTransport> m_transport;
    std::vector<Object> m_accounts;
    params::ProfileMap m_browserProfiles;
    std::vector<Object> m_browsers;
    Object m_defaultBrowser;
    std::string m_appVersion;
    std::string m_focusFilterStatus = "Inactive (All accounts active)";
};

} // namespace tarnwick
