#pragma once

// The command line of tarnwick-focus-filter:
//   accounts [--id ID]... [--images DIR] [--height PX]   the account entities as JSON (and dot PNGs)
//   describe [--disable-excluded] [ID...]                 the filter's title and subtitle lines
//   apply [--disable-excluded] [ID...]                    perform the filter
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
