#include "tarnwick/appintents/focusfilterintent.h"

#include "tarnwick/extensionkit/focusfilterfile.h"

namespace tarnwick {

TarnwickFocusFilter TarnwickFocusFilter::fresh(const AccountQuery& query)
{
    return {query.loadAccounts(), false};
}

std::vector<TarnwickFocusFilter> TarnwickFocusFilter::suggestedFocusFilters(const AccountQuery& query)
{
    return {fresh(query)};
}

std::string TarnwickFocusFilter::displayTitle() const
{
    if (accounts.empty())
        return "All Accounts";
    std::string title;
    for (const auto& account : accounts) {
        if (!title.empty())
            title += ", ";
        title += account.name;
    }
    return title;
}

std::string TarnwickFocusFilter::displaySubtitle() const
{
    return disableExcludedAccounts ? "Others silenced and blocked" : "Others silenced";
}

std::optional<FocusFilterPerformError> TarnwickFocusFilter::perform(Environment env) const
{
    FocusFilterState state;
    for (const auto& account : accounts)
        state.activeAccountIds.push_back(account.id);
    state.disableExcludedAccounts = disableExcludedAccounts;
    env.logger.info("perform: setting Focus Filter with " + std::to_string(state.activeAccountIds.size())
                    + " active account(s), disableExcluded: " + (disableExcludedAccounts ? "true" : "false"));
    const double timestamp = FocusFilterFile::now();

    const auto location = FocusFilterFile::location(env.paths);
    if (!location) {
        env.logger.error("getpwuid failed when resolving home directory");
        return TarnwickFocusFilterError{};
    }
    if (const std::error_code error = FocusFilterFile::write(*location, state, timestamp)) {
        env.logger.error("Failed to write focus-filter.json: " + error.message());
        return error;
    }
    env.logger.info("Successfully wrote focus-filter.json");

    if (auto why = env.notifier.post()) {
        env.logger.error(std::string("Failed to post ") + focusfiltersignal::kName + ": " + *why);
        return FocusFilterPostError{*why};
    }
    env.logger.info(std::string("Posted ") + focusfiltersignal::kName + " notification");
    return std::nullopt;
}

} // namespace tarnwick
