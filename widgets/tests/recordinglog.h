#pragma once

// Test fake of the widget log: keeps every line as "level|message" and shortens one home directory.

#include <string>
#include <vector>

#include "tarnwick/widgets/widgetlog.h"

namespace tarnwick::testing {

class RecordingLog final : public WidgetLog {
public:
    std::vector<std::string> lines;
    std::string home;

    void info(std::string_view m) override { lines.push_back("info|" + std::string(m)); }
    void warn(std::string_view m) override { lines.push_back("warn|" + std::string(m)); }
    void error(std::string_view m) override { lines.push_back("error|" + std::string(m)); }
    std::string redactText(std::string_view text) const override
    {
        std::string out(text);
        if (home.empty() || home == "/")
            return out;
        for (std::size_t at = out.find(home); at != std::string::npos; at = out.find(home, at + 1))
            out.replace(at, home.size(), "~");
        return out;
    }
};

} // namespace tarnwick::testing
