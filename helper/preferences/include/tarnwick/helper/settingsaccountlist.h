#pragma once

// The settings model seen as the Accounts tab's account-list model.

#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/ui/accountlistmodel.h"

namespace tarnwick {

class SettingsAccountList final : public AccountListModel {
    Q_OBJECT
public:
    explicit SettingsAccountList(SettingsModel& model, QObject* parent = nullptr);

    const std::vector<Object>& accounts() const override { return m_model.accounts(); }
    void setAccounts(std::vector<Object> accounts) override { m_model.setAccounts(std::move(accounts)); }
    const params::ProfileMap& browserProfiles() const override { return m_model.browserProfiles(); }
    void setBrowserProfiles(params::ProfileMap profiles) override { m_model.setBrowserProfiles(std::move(profiles)); }
    const std::vector<Object>& browsers() const override { return m_model.browsers(); }
    const Object& defaultBrowser() const override { return m_model.defaultBrowser(); }
    const std::string& openLinksIn() const override { return m_model.openLinksIn(); }
    std::shared_ptr<StdioTransport> transport() const override { return m_model.transport(); }

private:
    SettingsModel& m_model;
};

} // namespace tarnwick
