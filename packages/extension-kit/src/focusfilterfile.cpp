#include "tarnwick/extensionkit/focusfilterfile.h"

#include <chrono>
#include <cmath>

#include "tarnwick/extensionkit/atomicfile.h"
#include "tarnwick/platform/fileread.h"
#include "tarnwick/rpc/json.h"

namespace tarnwick {

std::optional<std::filesystem::path> FocusFilterFile::location(const SystemPaths& paths)
{
    if (auto inGroup = paths.appGroupFile(kFileName))
        return inGroup;
    return paths.legacyFile(kFileName);
}

std::optional<std::filesystem::path> FocusFilterFile::doNotDisturbLocation(const SystemPaths& paths)
{
    if (auto inGroup = paths.appGroupFile(kDoNotDisturbFileName))
        return inGroup;
    return paths.legacyFile(kDoNotDisturbFileName);
}

std::string FocusFilterFile::encode(const FocusFilterState& state, double timestamp)
{
    Value::Array ids;
    ids.reserve(state.activeAccountIds.size());
    for (const auto& id : state.activeAccountIds)
        ids.emplace_back(id);
    const Value document(Value::Object{
        {"activeAccountIds", Value(std::move(ids))},
        {"disableExcludedAccounts", Value(state.disableExcludedAccounts)},
        {"isFilterActive", Value(state.isFilterActive())},
        {"timestamp", Value(timestamp)},
    });
    // Only an id that is not UTF-8 (or a non-finite time) has no JSON form; such an id cannot have
    // come from accounts.json, which is parsed as JSON. Drop the ids rather than write a broken file.
    if (auto text = json::toPrettyString(document))
        return *text;
    return encode(FocusFilterState{{}, state.disableExcludedAccounts}, std::isfinite(timestamp) ? timestamp : 0.0);
}

std::optional<FocusFilterState> FocusFilterFile::decode(std::string_view text)
{
    const auto parsed = json::parse(text);
    if (!parsed || !parsed->object())
        return std::nullopt;
    const Value::Object& object = *parsed->object();
    FocusFilterState state;
    if (auto it = object.find("activeAccountIds"); it != object.end() && it->second.array()) {
        std::vector<std::string> ids;
        bool allStrings = true;
        for (const Value& element : *it->second.array()) {
            if (!element.string()) {
                allStrings = false;
                break;
            }
            ids.push_back(*element.string());
        }
        if (allStrings)
            state.activeAccountIds = std::move(ids);
    }
    if (auto it = object.find("disableExcludedAccounts"); it != object.end())
        state.disableExcludedAccounts = it->second.boolean().value_or(false);
    return state;
}

FocusFilterFile::ReadResult FocusFilterFile::read(const std::filesystem::path& path)
{
    std::error_code error;
    // A list of account ids: a megabyte holds tens of thousands.
    const auto text = readWholeFile(path, error, std::size_t{1} << 20);
    if (!text) {
        return {error == std::errc::no_such_file_or_directory ? ReadStatus::Missing : ReadStatus::Unreadable, {}};
    }
    auto state = decode(*text);
    if (!state)
        return {ReadStatus::Unreadable, {}};
    return {ReadStatus::Loaded, std::move(*state)};
}

std::error_code FocusFilterFile::write(const std::filesystem::path& path, const FocusFilterState& state,
                                       double timestamp)
{
    return atomicfile::write(path, encode(state, timestamp));
}

double FocusFilterFile::now()
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

} // namespace tarnwick
