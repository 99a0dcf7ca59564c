#pragma once

// Test doubles for the preferences views: an in-memory account-list model whose transport's lines are
// recorded.

#include <string>
#include <vector>

#include "tarnwick/rpc/json.h"
#include "tarnwick/rpc/mainqueue.h"
#include "tarnwick/ui/accountlistmodel.h"

namespace tarnwick::test {

class FakeAccountListModel final : public AccountListModel {
public:
    FakeAccountListModel()
        : m_transport(StdioTransport::create(
              m_queue, {-1, [this](std::string_view l) { lines.emplace_back(l.substr(0, l.size() - 1)); }, [] {}}))
    {
    }

    const std::vector<Object>& accounts() const override { return m_accounts; }
    void setAccounts(std::vector<Object> accounts) override
    {
        m_accounts = std::move(accounts);
        Q_EMIT accountsChanged();
    }
    const params::ProfileMap& browserProfiles() const override { return m_profiles; }
    void setBrowserProfiles(params::ProfileMap profiles) override
    {
        m_profiles = std::move(profiles);
        Q_EMIT browsersChanged();
    }
    const std::vector<Object>& browsers() const override { return m_browsers; }
    const Object& defaultBrowser() const override { return m_defaultBrowser; }
    const std::string& openLinksIn() const override { return m_openLinksIn; }
    std::shared_ptr<StdioTransport> transport() const override { return m_connected ? m_transport : nullptr; }

    void setBrowsers(std::vector<Object> browsers, Object defaultBrowser, std::string openLinksIn)
    {
        m_browsers = std::move(browsers);
        m_defaultBrowser = std::move(defaultBrowser);
        m_openLinksIn = std::move(openLinksIn);
        Q_EMIT browsersChanged();
    }
    /// Accounts from JSON text: a list of objects.
    void setAccountsJson(std::string_view text)
    {
        std::vector<Object> list;
        if (auto value = json::parse(text); value && value->array())
            for (const Value& entry : *value->array())
                if (entry.object())
                    list.push_back(*entry.object());
        setAccounts(std::move(list));
    }
    void disconnect() { m_connected = false; }

    /// Lines written so far, taken.
    std::vector<std::string> take()
    {
        auto out = std::move(lines);
        lines.clear();
        return out;
    }

    std::vector<std::string> lines;

private:
    ManualMainQueue m_queue;
    std::shared_ptr<StdioTransport> m_transport;
    bool m_connected = true;
    std::vector<Object> m_accounts;
    params::ProfileMap m_profiles;
    std::vector<Object> m_browsers;
    Object m_defaultBrowser;
    std::string m_openLinksIn = "system";
};

inline Object object(std::string_view text)
{
    auto value = json::parse(text);
    return value && value->object() ? *value->object() : Object{};
}

inline std::vector<Object> objects(std::string_view text)
{
    std::vector<Object> list;
    if (auto value = json::parse(text); value && value->array())
        for (const Value& entry : *value->array())
            if (entry.object())
                list.push_back(*entry.object());
    return list;
}

} // namespace tarnwick::test
