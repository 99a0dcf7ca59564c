#pragma once

// The command line of tarnwick-focus-filter:
//   accounts [--id ID]... [--images DIR] [--height PX]   the account entities as JSON (and dot PNGs)
//   describe [--disable-excluded] [ID...]                 the filter's title and subtitle lines, then
//                                                         its texts and what it keeps active
//   apply [--disable-excluded] [ID...]                    perform the filter
// Ids that name no account are left out with a warning on standard error.
// Exit status: 0 success, 1 perform failed, 2 usage error (usage on standard error).

#include <ostream>
#include <string>
#include <vector>

#include "tarnwick/appintents/focusfilterintent.h"

namespace tarnwick {

class FocusFilterTool {
public:
    static constexpr int kSuccess = 0;
    static constexpr int kFailure = 1;
    static constexpr int kUsage = 2;
    static const char* usage();
    /// --help: the usage, then the filter's and its parameters' titles and descriptions.
    static std::string help();

    explicit FocusFilterTool(TarnwickFocusFilter::Environment environment);

    /// `args` without the program name.
    int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

private:
    int accounts(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
    int describeOrApply(bool apply, const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
    int usageError(std::ostream& err, const std::string& why);

    TarnwickFocusFilter::Environment m_env;
    AccountQuery m_query;
};

} // namespace tarnwick
