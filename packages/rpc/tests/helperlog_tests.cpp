#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tarnwick/rpc/helperlog.h"

using namespace tarnwick;

TEST(HelperLogFormat, OneLinePerRecord)
{
    EXPECT_EQ(HelperLog::formatRecord(HelperLog::Level::Info, "Tray", "x"), "I|Tray|x\n");
    EXPECT_EQ(HelperLog::formatRecord(HelperLog::Level::Warn, "RPC", "one\ntwo"), "W|RPC|one two\n");
    EXPECT_EQ(HelperLog::formatRecord(HelperLog::Level::Error, "RPC", "a\r\nb\n\nc"), "E|RPC|a b  c\n")
        << "each CRLF pair and each remaining LF becomes one space";
    EXPECT_EQ(HelperLog::formatRecord(HelperLog::Level::Info, "A|B", "lone\rcr|pipe"), "I|A|B|lone\\x0dcr|pipe\n");
    EXPECT_EQ(HelperLog::formatRecord(HelperLog::Level::Info, "C", ""), "I|C|\n");
}

TEST(HelperLogSink, ReceivesLevelCategoryTheRecordsMessageAndRecord)
{
    struct Entry {
        HelperLog::Level level;
        std::string category, message, record;
    };
    std::vector<Entry> seen;
    HelperLog::setSink([&](HelperLog::Level l, std::string_view c, std::string_view m, std::string_view r) {
        seen.push_back({l, std::string(c), std::string(m), std::string(r)});
    });
    HelperLog::info("Tray", "a\nb");
    HelperLog::warn("RPC", "w");
    HelperLog::error("Focus", "e");
    // An id from the main application, with a carriage return that would forge a record of its own.
    HelperLog::info("Focus", "jane.doe@corp.example is muted\rE|Focus|forged");
    HelperLog::setSink(nullptr);

    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].message, "a b") << "the system log gets the record's one line";
    EXPECT_EQ(seen[0].record, "I|Tray|a b\n");
    EXPECT_EQ(seen[1].level, HelperLog::Level::Warn);
    EXPECT_EQ(seen[2].record, "E|Focus|e\n");
    EXPECT_EQ(seen[3].record, "I|Focus|<email> is muted\\x0dE|Focus|forged\n");
    EXPECT_EQ(seen[3].message, "<email> is muted\\x0dE|Focus|forged");
    EXPECT_EQ(HelperLog::subsystem(), "com.fenmoorlab.tarnwick");
}

TEST(HelperLogStandardError, ACallerNeverWaitsForAnUnreadPipeAndLearnsWhatWasDropped)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    HelperLog::setOutputFd(fds[1]);
    // Far more than the pipe and the queue hold together; with a blocking write this never returns.
    constexpr int kRecords = 100'000;
    for (int i = 0; i < kRecords; ++i)
        HelperLog::info("Test", "record " + std::to_string(i) + std::string(40, '.'));

    std::string text;
    std::thread reader([&] {
        char buf[1 << 16];
        ssize_t n;
        while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
            text.append(buf, static_cast<std::size_t>(n));
    });
    EXPECT_TRUE(HelperLog::flush(std::chrono::seconds(30)));
    HelperLog::setOutputFd(STDERR_FILENO);
    ::close(fds[1]);
    reader.join();
    ::close(fds[0]);

    int written = 0, previous = -1;
    long long dropped = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "every record ends with its line feed";
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.rfind("W|Log|Dropped ", 0) == 0) {
            EXPECT_EQ(line.substr(line.find(" log record(s)")), " log record(s) while standard error was not being read");
            dropped += std::stoll(line.substr(14));
            continue;
        }
        ASSERT_EQ(line.rfind("I|Test|record ", 0), 0u) << line;
        const int i = std::stoi(line.substr(14));
        EXPECT_GT(i, previous) << "records keep their order";
        previous = i;
        ++written;
    }
    EXPECT_GT(dropped, 0);
    EXPECT_EQ(written + dropped, kRecords) << "every record is either written or counted as dropped";
}
