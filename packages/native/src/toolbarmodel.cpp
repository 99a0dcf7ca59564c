#include "tarnwick/native/toolbarmodel.h"

#include "tarnwick/rpc/json.h"
#include "toolbarlog_p.h"

namespace tarnwick::native {

std::optional<AccountsUpdate> AccountsUpdate::fromJson(std::string_view json)
{
    const auto parsed = tarnwick::json::parse(json);
    if (!parsed) {
        toolbarLog("accounts rejected: not JSON");
        return std::nullopt;
    }
    const Value::Object* top = parsed->object();
    if (!top) {
        toolbarLog("accounts rejected: not an object");
        return std::nullopt;
    }
    AccountsUpdate update;
    if (const auto it = top->find("accounts"); it != top->end()) {
        if (const Value::Array* list = it->second.array()) {
            std::vector<ToolbarAccount> accounts;
            accounts.reserve(list->size());
            bool allObjects = true;
            for (const Value& element : *list) {
                const Value::Object* object = element.object();
                if (!object) {
                    allObjects = false;
                    break;
                }
                accounts.push_back(ToolbarAccount::from(*object));
            }
            if (allObjects)
                update.accounts = std::move(accounts);
            else
                toolbarLog("accounts ignored: an element is not an object");
        } else {
            toolbarLog("accounts ignored: not an array");
        }
    }
    if (const auto it = top->find("activeAccountId"); it != top->end() && it->second.string())
        update.activeAccountId = *it->second.string();
    return update;
}

bool ToolbarModel::update(std::string_view json)
{
    const auto parsed = AccountsUpdate::fromJson(json);
    if (!parsed)
        return false;
    apply(*parsed);
    return true;
}

void ToolbarModel::apply(const AccountsUpdate& update)
{
    if (update.accounts)
        accounts = *update.accounts;
    if (update.activeAccountId)
        activeAccountId = *update.activeAccountId;
}

} // namespace tarnwick::native
