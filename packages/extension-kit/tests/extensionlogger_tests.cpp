#include <gtest/gtest.h>

#include <mutex>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <thread>

#include "tarnwick/extensionkit/appintentslogger.h"
#include "tarnwick/extensionkit/shareextensionlogger.h"
#include "tarnwick/extensionkit/widgetslogger.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/testing/tempdir.h"

using namespace tarnwick;
namespace fs = std::filesystem;
namespace tt = tarnwick::testing;
using Level = ExtensionLogger::Level;

namespace {

class RecordingSystemLog final : public SystemLog {
public:
    void write(Level level, std::string_view category, std::string_view message) override
    {
        std::lock_guard lock(mutex);
        records.push_back({level, std::string(category), std::string(message)});
    }
    struct Record {
        Level level;
        std::string category, message;
    };
    std::mutex mutex;
    std::vector<Record> records;
};

std::vector<std::string> lines(const fs::path& file)
{
    std::istringstream in(tt::readFile(file));
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// The message part of a written line: everything after "(Category) ".
std::string messageOf(const std::string& line)
{
    const auto at = line.find(") ");
    return at == std::string::npos ? std::string() : line.substr(at + 2);
}

struct ExtensionLoggerFiles : ::testing::Test {
    tt::TempDir dir;
    FakeSystemPaths paths;
    RecordingSystemLog systemLog;

    ExtensionLoggerFiles()
    {
        paths.groupId = "G";
        paths.containerRoot = dir / "containers";
        paths.realHome = "/home/real-user";
        paths.processHome = dir / "sandbox-home";
    }
    fs::path logDir() const { return dir / "containers" / "G" / "logs"; }
};

} // namespace

TEST(ExtensionLoggerFormat, LineLayoutAndOneLinePerMessage)
{
    EXPECT_EQ(ExtensionLogger::formatLine("2024-05-01 09:08:07.006", Level::Warn, "Widgets", "hello"),
              "[2024-05-01 09:08:07.006] [warn] (Widgets) hello\n");
    EXPECT_EQ(ExtensionLogger::formatLine("t", Level::Info, "AppIntents", "one\r\ntwo\nthree"),
              "[t] [info] (AppIntents) one two three\n");
    EXPECT_EQ(ExtensionLogger::formatLine("t", Level::Error, "C", "a\rb\n\n"), "[t] [error] (C) a\rb  \n")
        << "a lone CR stays, every LF becomes one space";
    EXPECT_TRUE(std::regex_match(ExtensionLogger::timestampNow(),
                                 std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3})")));
}

TEST(ExtensionLoggerFormat, ThreeConfigurations)
{
    struct Row {
        ExtensionLogger::Config config;
        const char* file;
        const char* category;
        const char* label;
        bool emails;
    };
    const Row rows[] = {
        {AppIntentsLogger::config(), "app-intents-extension.log", "AppIntents", "com.fenmoorlab.tarnwick.app-intents-logger", false},
        {WidgetsLogger::config(), "widgets-extension.log", "Widgets", "com.fenmoorlab.tarnwick.widgets-logger", false},
        {ShareExtensionLogger::config(), "share-extension.log", "ShareExtension", "com.fenmoorlab.tarnwick.share-logger", true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.config.logFileName, row.file);
        EXPECT_EQ(row.config.category, row.category);
        EXPECT_EQ(row.config.queueLabel, row.label);
        EXPECT_EQ(row.config.redactsEmails, row.emails);
        EXPECT_EQ(row.config.maxSizeBytes, 5242880);
    }
    EXPECT_EQ(ExtensionLogger::rotatedPath("/c/logs/widgets-extension.log"), fs::path("/c/logs/widgets-extension.old.log"));
}

TEST(ExtensionLoggerRedaction, EmailsMatchTheAddressPattern)
{
    // The pattern the main application documents; std::regex is the reference here only.
    const std::regex reference(R"([A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,})");
    const char* inputs[] = {
        "", "@", "a@b", "a@b.c", "a@b.co", "mail jane.doe+x@example.co.uk now",
        "a@b@c.com", "x@1.2.3", "x@host.c0m", "x@a.bc.d", "x@a.bc.de1", "..@..xx", "x@-.ab",
        "two a@b.cd and e@f.gh", "a@b.cdef.g", "a@b.cd@e.fg", "a%b@c.de", "@b.cd", "a@.cd", "a@x.cd.",
    };
    for (const char* input : inputs)
        EXPECT_EQ(ExtensionLogger::redactEmails(input), std::regex_replace(input, reference, "<email>")) << input;
    // Beyond it, internationalized addresses: their letters outside ASCII count as letters.
    EXPECT_EQ(ExtensionLogger::redactEmails("\xC3\xBC@b.cd"), "<email>");
    EXPECT_EQ(ExtensionLogger::redactEmails("mail j\xC3\xB6rg@b\xC3\xBC" "cher.de now"), "mail <email> now");
    EXPECT_EQ(ExtensionLogger::redactEmails("\xE5\xBC\xA0@\xE4\xBE\x8B\xE5\xAD\x90.\xE4\xB8\xAD\xE5\x9B\xBD"), "<email>");
}

TEST_F(ExtensionLoggerFiles, HomesAreShortenedEverywhereAddressesOnlyInTheShareLogger)
{
    ExtensionLogger share(ShareExtensionLogger::config(), paths, systemLog);
    ExtensionLogger widgets(WidgetsLogger::config(), paths, systemLog);
    const std::string sandbox = (dir / "sandbox-home").string();
    EXPECT_EQ(share.redactText("to jo@example.com from /home/real-user/x and " + sandbox + "/y"),
              "to <email> from ~/x and ~/y");
    EXPECT_EQ(widgets.redactText("to jo@example.com from /home/real-user/x"), "to jo@example.com from ~/x");

    FakeSystemPaths rootHomes;
    rootHomes.realHome = "/";
    rootHomes.processHome = "/";
    ExtensionLogger slashes(AppIntentsLogger::config(), rootHomes, systemLog);
    EXPECT_EQ(slashes.redactText("/usr/share/file"), "/usr/share/file");
    FakeSystemPaths noHomes;
    ExtensionLogger none(AppIntentsLogger::config(), noHomes, systemLog);
    EXPECT_EQ(none.redactText("/home/real-user"), "/home/real-user");
}

TEST_F(ExtensionLoggerFiles, RedactUrl)
{
    ExtensionLogger share(ShareExtensionLogger::config(), paths, systemLog);
    struct Row {
        const char* in;
        const char* out;
    };
    const Row rows[] = {
        {"", ""},
        {"mailto:jo@example.com?subject=hi", "mailto:<redacted>"},
        {"MailTo:someone", "mailto:<redacted>"},
        {"mailto:j\xC3\xB6rg@b\xC3\xBC" "cher.de", "mailto:<redacted>"},
        {" mailto:jo@example.com", "mailto:<redacted>"},
        {"https://example.com/a/b?q=secret", "https://example.com/<redacted>?<redacted>"},
        {"https://example.com/a#frag", "https://example.com/<redacted>?<redacted>"},
        {"https://docs.example.com/d/1AbC-SECRET-CAPABILITY-TOKEN/edit", "https://docs.example.com/<redacted>"},
        {"https://example.com/", "https://example.com"},
        {"https://user:pw@example.com:8443/p", "https://example.com/<redacted>"},
        {"file:///home/real-user/Documents/taxes-2024-Jane-Doe.pdf", "file:///<redacted>"},
        {"not a url with spaces jo@example.com", "not a url with spaces <email>"},
        {"https://host:notaport/x", "https://<redacted>"},
        {"urn:isbn:123", "urn://<redacted>"},
    };
    for (const auto& row : rows) {
        // What reaches the file is redacted once more, as every message is.
        EXPECT_EQ(share.redactText(share.redactUrl(row.in)), row.out) << row.in;
    }
}

TEST_F(ExtensionLoggerFiles, WritesOneLinePerMessageInCallOrderAndMirrorsRedacted)
{
    {
        ExtensionLogger logger(ShareExtensionLogger::config(), paths, systemLog);
        logger.info("first /home/real-user/file");
        logger.warn("second\r\nhalf");
        logger.error("third jo@example.com");
        logger.flush();
        const auto written = lines(logDir() / "share-extension.log");
        ASSERT_EQ(written.size(), 3u);
        EXPECT_TRUE(std::regex_match(written[0], std::regex(R"(\[[-0-9 :.]{23}\] \[info\] \(ShareExtension\) first ~/file)")))
            << written[0];
        EXPECT_EQ(messageOf(written[1]), "second half");
        EXPECT_NE(written[1].find("[warn]"), std::string::npos);
        EXPECT_EQ(messageOf(written[2]), "third <email>");
        logger.info("queued before destruction");
    }
    EXPECT_EQ(lines(logDir() / "share-extension.log").size(), 4u) << "the destructor writes what is queued";

    std::lock_guard lock(systemLog.mutex);
    ASSERT_EQ(systemLog.records.size(), 4u);
    EXPECT_EQ(systemLog.records[0].category, "ShareExtension");
    EXPECT_EQ(systemLog.records[0].message, "first ~/file");
    EXPECT_EQ(systemLog.records[1].level, SystemLog::Level::Warn);
    EXPECT_EQ(systemLog.records[2].message, "third <email>");
}

TEST_F(ExtensionLoggerFiles, WithoutAContainerOnlyTheSystemLogHearsIt)
{
    paths.containerRoot.reset();
    ExtensionLogger logger(WidgetsLogger::config(), paths, systemLog);
    EXPECT_EQ(logger.logFilePath(), std::nullopt);
    logger.info("no file for this");
    logger.flush();
    EXPECT_FALSE(fs::exists(dir / "containers"));
    std::lock_guard lock(systemLog.mutex);
    ASSERT_EQ(systemLog.records.size(), 1u);
    EXPECT_EQ(systemLog.records[0].message, "no file for this");
}

TEST_F(ExtensionLoggerFiles, RotatesOnlyAboveTheLimit)
{
    ExtensionLogger logger(WidgetsLogger::config(), paths, systemLog);
    const auto file = logDir() / "widgets-extension.log";
    const auto rotated = logDir() / "widgets-extension.old.log";
    fs::create_directories(logDir());

    dir.write("containers/G/logs/widgets-extension.log", std::string(5242880, 'x'));
    logger.info("at the limit");
    logger.flush();
    EXPECT_FALSE(fs::exists(rotated)) << "exactly 5 MiB is not rotated";
    EXPECT_GT(fs::file_size(file), 5242880u);

    dir.write("containers/G/logs/widgets-extension.old.log", "older generation");
    logger.info("over the limit");
    logger.flush();
    ASSERT_TRUE(fs::exists(rotated));
    EXPECT_GT(fs::file_size(rotated), 5242880u) << "the old rotated file was replaced";
    const auto fresh = lines(file);
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_EQ(messageOf(fresh[0]), "over the limit");
}

TEST_F(ExtensionLoggerFiles, TheLogIsTheUsersAloneAndALinkInItsPlaceIsNotFollowed)
{
    ExtensionLogger logger(ShareExtensionLogger::config(), paths, systemLog);
    logger.info("first");
    logger.flush();
    const auto file = logDir() / "share-extension.log";
    EXPECT_EQ(fs::status(logDir()).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    // Another program puts a link to one of the user's files in the log's place.
    const auto victim = dir.write("victim.txt", "untouched");
    fs::remove(file);
    fs::create_symlink(victim, file);
    logger.info("second");
    logger.flush();
    EXPECT_EQ(tt::readFile(victim), "untouched");
    EXPECT_FALSE(fs::is_symlink(file));
    const auto written = lines(file);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(messageOf(written[0]), "second");

    // A FIFO in its place neither blocks the logger nor keeps the log from going on.
    fs::remove(file);
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    logger.info("third");
    logger.flush();
    EXPECT_TRUE(fs::is_regular_file(file));
}

TEST_F(ExtensionLoggerFiles, ConcurrentCallersNeverInterleave)
{
    ExtensionLogger logger(AppIntentsLogger::config(), paths, systemLog);
    constexpr int kThreads = 4, kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kLines; ++i)
                logger.info("thread " + std::to_string(t) + " line " + std::to_string(i) + std::string(100, 'z'));
        });
    for (auto& thread : threads)
        thread.join();
    logger.flush();
    const auto written = lines(logDir() / "app-intents-extension.log");
    ASSERT_EQ(written.size(), static_cast<std::size_t>(kThreads * kLines));
    std::vector<int> next(kThreads, 0);
    for (const auto& line : written) {
        int t = -1, i = -1;
        ASSERT_EQ(std::sscanf(messageOf(line).c_str(), "thread %d line %d", &t, &i), 2) << line;
        EXPECT_EQ(i, next[t]++) << "each caller's lines stay in its order";
        EXPECT_EQ(line.size(), line.find(") ") + 2 + messageOf(line).size());
    }
}
