#pragma once

// Shared fixtures for the helper's unit tests: a transport whose lines are recorded, and a log capture.

#include <mutex>
#include <string>
#include <vector>

#include "tarnwick/rpc/helperlog.h"
#include "tarnwick/rpc/json.h"
#include "tarnwick/rpc/stdiotransport.h"

namespace tarnwick::test {

class LogCapture {
public:
    LogCapture()
    {
        HelperLog::setSink([this](HelperLog::Level, std::string_view, std::string_view, std::string_view record) {
            std::lock_guard lock(m_mutex);
            m_records.emplace_back(record.substr(0, record.size() - 1));
        });
    }
    ~LogCapture() { HelperLog::setSink(nullptr); }
    std::vector<std::string> records() const
    {
        std::lock_guard lock(m_mutex);
        return m_records;
    }
    bool contains(std::string_view record) const
    {
        for (const auto& r : records())
            if (r == record)
                return true;
        return false;
    }
    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_records.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_records;
};

/// A transport whose output lines are kept (without their line feeds) instead of written.
struct RecordingTransport {
    ManualMainQueue queue;
    std::vector<std::string> lines;
    std::shared_ptr<StdioTransport> transport =
        StdioTransport::create(queue, {-1, [this](std::string_view l) { lines.emplace_back(l.substr(0, l.size() - 1)); }, [] {}});

    std::vector<std::string> take()
    {
        auto out = std::move(lines);
        lines.clear();
        return out;
    }
};

} // namespace tarnwick::test
