#include <gtest/gtest.h>

#include <vector>

#include "tarnwick/rpc/helperlog.h"

using namespace tarnwick;

TEST(HelperLogFormat, OneLinePerRecord)
{
    EXPECT_EQ(HelperLog::formatRecord(HelperLog::Level::Info, "Tray", "x"), "I|Tray|x\n");
    EXPECT_EQ(HelperLog::formatRecord(HelperLog::Level::Warn, "RPC", "one\ntwo"), "W|RPC|one two\n");
    EXPECT_EQ(HelperLog::formatRecord(HelperLog::Level::Error, "RPC", "a\r\nb\n\nc"), "E|RPC|a b  c\n")
        << "each CRLF pair and each remaining LF becomes one space";
    EXPECT_EQ(HelperLog::formatRecord(HelperLog::Level::Info, "A|B", "lone\rcr|pipe"), "I|A|B|lone\rcr|pipe\n");
    EXPECT_EQ(HelperLog::formatRecord(HelperLog::Level::Info, "C", ""), "I|C|\n");
}

TEST(HelperLogSink, ReceivesLevelCategoryUnalteredMessageAndRecord)
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
    HelperLog::setSink(nullptr);

    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].message, "a\nb") << "the system log gets the message unaltered";
    EXPECT_EQ(seen[0].record, "I|Tray|a b\n");
    EXPECT_EQ(seen[1].level, HelperLog::Level::Warn);
    EXPECT_EQ(seen[2].record, "E|Focus|e\n");
    EXPECT_EQ(HelperLog::subsystem(), "com.fenmoorlab.tarnwick");
}
