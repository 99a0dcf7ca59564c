#include "tarnwick/extensionkit/accountquery.h"

#include <algorithm>

#include "tarnwick/platform/fileread.h"
#include "tarnwick/rpc/json.h"

namespace tarnwick {

namespace {
// accounts.json is a short list; anything far larger is not the main application's file.
constexpr std::size_t kAccountsReadLimit = std::size_t{1} << 20;
} // namespace

AccountEntity AccountQuery::defaultAccount()
{
    return {"account_personal", "Personal", "#a855f7"};
}

AccountQuery::AccountQuery(ExtensionLogger& logger, const SystemPaths& paths) : m_logger(logger), m_paths(paths) {}

std::optional<std::vector<AccountEntity>> AccountQuery::decode(std::string_view text)
{
    const auto parsed = json::parse(text);
    if (!parsed || !parsed->array())
        return std::nullopt;
    const Value::Array& elements = *parsed->array();
    if (!std::all_of(elements.begin(), elements.end(), [](const Value& v) { return v.object() != nullptr; }))
        return std::nullopt;
    std::vector<AccountEntity> accounts;
    for (const Value& element : elements) {
        const Value::Object& object = *element.object();
        const auto id = object.find("id");
        const auto name = object.find("name");
        if (id == object.end() || !id->second.string() || name == object.end() || !name->second.string())
            continue;
        AccountEntity entity{*id->second.string(), *name->second.string(), {}};
        if (const auto color = object.find("color"); color != object.end() && color->second.string())
            entity.colorHex = *color->second.string();
        accounts.push_back(std::move(entity));
    }
    return accounts;
}

std::vector<AccountEntity> AccountQuery::loadAccounts() const
{
    const std::optional<std::filesystem::path> candidates[] = {m_paths.appGroupFile(kFileName),
                                                               m_paths.legacyFile(kFileName)};
    std::string problem;
    for (const auto& candidate : candidates) {
        if (!candidate)
            continue;
        std::error_code error;
        const auto text = readWholeFile(*candidate, error, kAccountsReadLimit);
        if (!text) {
            if (error != std::errc::no_such_file_or_directory && problem.empty())
                problem = "accounts.json unreadable (" + error.message() + ")";
            continue;
        }
        auto accounts = decode(*text);
        if (!accounts || accounts->empty()) {
            if (problem.empty())
                problem = accounts ? "accounts.json lists no account" : "accounts.json is not a list of accounts";
            continue;
        }
        m_logger.info("loadAccounts: loaded " + std::to_string(accounts->size()) + " account(s)");
        return std::move(*accounts);
    }
    if (problem.empty())
        m_logger.info("loadAccounts: accounts.json not found, falling back to default Personal account");
    else
        m_logger.warn("loadAccounts: " + problem + ", falling back to default Personal account");
    return {defaultAccount()};
}

std::vector<AccountEntity> AccountQuery::entities(const std::vector<std::string>& ids) const
{
    std::vector<AccountEntity> matching;
    for (auto& account : loadAccounts())
        if (std::find(ids.begin(), ids.end(), account.id) != ids.end())
            matching.push_back(std::move(account));
    return matching;
}

} // namespace tarnwick
