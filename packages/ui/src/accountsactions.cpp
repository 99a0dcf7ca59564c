#include "tarnwick/ui/accountsactions.h"

#include <algorithm>

#include "tarnwick/rpc/params.h"
#include "tarnwick/ui/accountlistmodel.h"

namespace tarnwick {

const std::vector<std::string>& AccountsActions::defaultPalette()
{
    static const std::vector<std::string> palette = {"#3b82f6", "#a855f7", "#22c55e", "#f97316",
                                                     "#ef4444", "#eab308", "#f472b6", "#78716c"};
    return palette;
}

AccountsActions::AccountsActions(AccountListModel& model, std::vector<std::string> palette)
    : m_model(model)
    , m_palette(palette.empty() ? defaultPalette() : std::move(palette))
{
}

std::vector<std::string> AccountsActions::listedIds() const
{
    std::vector<std::string> ids;
    for (const Object& account : m_model.accounts())
        if (const std::string* id = params::string(account, "id"))
            ids.push_back(*id);
    return ids;
}

const Object* AccountsActions::account(const std::string& id) const
{
    for (const Object& account : m_model.accounts())
        if (const std::string* accountId = params::string(account, "id"); accountId && *accountId == id)
            return &account;
    return nullptr;
}

std::optional<std::string> AccountsActions::value(const std::string& id, std::string_view key) const
{
    if (const Object* found = account(id))
        if (const std::string* text = params::string(*found, key))
            return *text;
    return std::nullopt;
}

bool AccountsActions::boolValue(const std::string& id, std::string_view key) const
{
    const Object* found = account(id);
    return found ? params::boolean(*found, key).value_or(false) : false;
}

void AccountsActions::selectFirstIfNone()
{
    if (m_selected)
        return;
    const auto ids = listedIds();
    if (!ids.empty())
        m_selected = ids.front();
}

std::string AccountsActions::nextColor() const
{
    std::set<std::string> used;
    for (const Object& account : m_model.accounts())
        if (const std::string* color = params::string(account, "color"))
            used.insert(*color);
    for (const std::string& color : m_palette)
        if (!used.count(color))
            return color;
    return m_palette.front();
}

void AccountsActions::add()
{
    send("account.add", Object{{"name", "New Account"}, {"color", nextColor()}});
}

void AccountsActions::update(const std::string& id, const std::string& name, const std::string& color,
                             std::optional<std::string> browserProfile)
{
    if (id.empty() || !account(id))
        return;
    std::vector<Object> accounts = m_model.accounts();
    for (Object& entry : accounts) {
        const std::string* entryId = params::string(entry, "id");
        if (!entryId || *entryId != id)
            continue;
        entry["name"] = name;
        entry["color"] = color;
        if (browserProfile)
            entry["browserProfile"] = *browserProfile;
        break;
    }
    m_model.setAccounts(std::move(accounts));
    Object event{{"accountId", id}, {"name", name}, {"color", color}};
    if (browserProfile)
        event["browserProfile"] = *browserProfile;
    send("account.update", std::move(event));
}

bool AccountsActions::canRemove(const std::optional<std::string>& id) const
{
    return id && !id->empty() && m_model.accounts().size() > 1;
}

void AccountsActions::remove(const std::string& id)
{
    if (!canRemove(id))
        return;
    send("account.remove", Object{{"accountId", id}});
    if (m_selected == id)
        m_selected.reset();
}

void AccountsActions::move(const std::set<int>& fromOffsets, int toOffset)
{
    std::vector<std::string> ids = listedIds();
    const int count = static_cast<int>(ids.size());
    std::vector<std::string> moving;
    std::vector<std::string> staying;
    int insertAt = std::clamp(toOffset, 0, count);
    for (int i = 0; i < count; ++i) {
        if (fromOffsets.count(i)) {
            moving.push_back(ids[i]);
            if (i < toOffset)
                --insertAt; // the rows taken out above the drop point shift it up
        } else {
            staying.push_back(ids[i]);
        }
    }
    if (moving.empty())
        return;
    staying.insert(staying.begin() + std::clamp(insertAt, 0, static_cast<int>(staying.size())), moving.begin(),
                   moving.end());
    reorder(staying);
}

void AccountsActions::reorder(const std::vector<std::string>& ids)
{
    std::vector<std::string> current = listedIds();
    std::vector<std::string> sortedNew = ids;
    std::sort(current.begin(), current.end());
    std::sort(sortedNew.begin(), sortedNew.end());
    if (current != sortedNew)
        return;

    // Listed accounts take the new order in the slots listed accounts held; an account without an id
    // keeps its place.
    const std::vector<Object>& old = m_model.accounts();
    std::vector<const Object*> listed;
    for (const std::string& id : ids)
        listed.push_back(account(id));
    std::vector<Object> accounts;
    accounts.reserve(old.size());
    std::size_t next = 0;
    for (const Object& entry : old)
        accounts.push_back(params::string(entry, "id") ? *listed[next++] : entry);
    m_model.setAccounts(std::move(accounts));

    Array list;
    for (const std::string& id : ids)
        list.emplace_back(id);
    send("account.reorder", Object{{"accountIds", std::move(list)}});
}

void AccountsActions::signIn(const std::string& id)
{
    send("account.signIn", Object{{"accountId", id}});
}

std::optional<std::string> AccountsActions::resetPrompt(const std::string& id) const
{
    auto name = value(id, "name");
    if (!name)
        return std::nullopt;
    return "Reset the session for \u201c" + *name + "\u201d?";
}

void AccountsActions::resetSession(const std::string& id)
{
    send("account.resetSession", Object{{"accountId", id}});
}

void AccountsActions::chooseProfile(const std::string& id, const std::string& profile)
{
    auto name = value(id, "name");
    auto color = value(id, "color");
    if (name && color)
        update(id, *name, *color, profile);
}

void AccountsActions::send(std::string method, Object params) const
{
    if (auto transport = m_model.transport())
        transport->sendEvent(std::move(method), std::move(params));
}

} // namespace tarnwick
