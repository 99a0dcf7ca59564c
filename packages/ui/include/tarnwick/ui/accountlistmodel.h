#pragma once

// Port: the observable model behind the Accounts preferences tab. The tab edits a local copy of the
// main application's account list and reports every user action as an "account.*" event through the
// model's transport. Main thread only.

#include <QObject>
#include <memory>
#include <vector>

#include "tarnwick/rpc/params.h"
#include "tarnwick/rpc/stdiotransport.h"
#include "tarnwick/rpc/value.h"

namespace tarnwick {

class AccountListModel : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~AccountListModel() override = default;

    /// The main application's account records, in display order.
    virtual const std::vector<Object>& accounts() const = 0;
    virtual void setAccounts(std::vector<Object> accounts) = 0;
    /// Browser id → that browser's profiles ("directory", "name", "email").
    virtual const params::ProfileMap& browserProfiles() const = 0;
    virtual void setBrowserProfiles(params::ProfileMap profiles) = 0;
    /// Installed browsers as the main application reports them ("id", "name", "bundleId", "isChromium").
    virtual const std::vector<Object>& browsers() const = 0;
    virtual const Object& defaultBrowser() const = 0;
    /// "system" or a browser id.
    virtual const std::string& openLinksIn() const = 0;
    /// Where the tab's events go; none before the preferences window was first shown.
    virtual std::shared_ptr<StdioTransport> transport() const = 0;

Q_SIGNALS:
    /// The account list changed.
    void accountsChanged();
    /// Browsers, the default browser, their profiles or the links browser changed.
    void browsersChanged();
};

} // namespace tarnwick
