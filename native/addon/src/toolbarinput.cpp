#include "toolbarinput.h"

#include <tarnwick/rpc/json.h>

#include <algorithm>
#include <array>
#include <cstdio>

namespace tarnwick::addon::toolbarinput {

namespace {

// Every item the toolbar builds, group members included ("toggleRead" is the manage group's).
constexpr std::array<std::string_view, 14> kItemIds = {
    "accounts", "compose", "search", "archive", "trash", "markRead", "toggleRead",
    "manageGroup", "reply", "replyAll", "forward", "replyGroup", "print", "share",
};

// Script text in a log line: short, and without control characters that could forge a record.
std::string quoted(std::string_view text)
{
    constexpr std::size_t kLimit = 64;
    std::string out = "\"";
    for (const char c : text.substr(0, kLimit)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '"' || c == '\\') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += text.size() > kLimit ? "\"…" : "\"";
    return out;
}

// The parsed top-level object, or why there is none.
std::optional<std::string> topLevelProblem(const std::optional<Value>& parsed, std::string_view json)
{
    if (json.empty())
        return std::string("the text is empty");
    if (!parsed)
        return std::string("the text is not JSON");
    if (!parsed->object())
        return std::string("the JSON is not an object");
    return std::nullopt;
}

} // namespace

std::optional<std::string> accountsProblem(std::string_view json)
{
    const auto parsed = json::parse(json);
    if (auto problem = topLevelProblem(parsed, json))
        return "updateAccounts ignored: " + *problem + R"(; expected {"accounts":[…],"activeAccountId":"…"})";
    const Value::Object& top = *parsed->object();
    const auto accounts = top.find("accounts");
    const auto active = top.find("activeAccountId");
    if (accounts == top.end() && active == top.end())
        return std::string(R"(updateAccounts changes nothing: neither "accounts" nor "activeAccountId" is present)");
    if (accounts != top.end()) {
        const Value::Array* list = accounts->second.array();
        const bool objects = list && std::all_of(list->begin(), list->end(), [](const Value& v) { return v.object() != nullptr; });
        if (!objects)
            return std::string(R"(updateAccounts: "accounts" is not an array of objects; the account list stays as it was)");
    }
    if (active != top.end() && !active->second.string())
        return std::string(R"(updateAccounts: "activeAccountId" is not a string; the active account stays as it was)");
    return std::nullopt;
}

std::optional<std::string> labelsProblem(std::string_view json)
{
    const auto parsed = json::parse(json);
    if (auto problem = topLevelProblem(parsed, json))
        return "updateLabels ignored: " + *problem + R"(; expected {"labels":{"toolbar.…":"text",…}})";
    const Value::Object& top = *parsed->object();
    const auto labels = top.find("labels");
    if (labels == top.end() || !labels->second.object())
        return std::string(R"(updateLabels ignored: no "labels" object; the labels stay as they were)");
    for (const auto& [key, value] : *labels->second.object()) {
        if (!value.string())
            return "updateLabels ignored: the label " + quoted(key) + " is not a string; the labels stay as they were";
    }
    return std::nullopt;
}

std::optional<std::string> itemProblem(std::string_view itemId)
{
    if (std::find(kItemIds.begin(), kItemIds.end(), itemId) != kItemIds.end())
        return std::nullopt;
    std::string known;
    for (const std::string_view id : kItemIds)
        known += (known.empty() ? "" : ", ") + std::string(id);
    return "setItemEnabled: no toolbar item is called " + quoted(itemId) + " (items: " + known + ")";
}

} // namespace tarnwick::addon::toolbarinput
