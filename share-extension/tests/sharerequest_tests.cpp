#include <gtest/gtest.h>

#include <mutex>

#include "tarnwick/extensionkit/shareextensionlogger.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/share/sharecommandline.h"
#include "tarnwick/share/sharerequest.h"
#include "tarnwick/share/sharestaging.h"
#include "tarnwick/testing/tempdir.h"

using namespace tarnwick;
namespace fs = std::filesystem;
namespace tt = tarnwick::testing;

namespace {

class RecordingLauncher final : public UriLauncher {
public:
    std::optional<std::string> open(const std::string& uri) override
    {
        opened.push_back(uri);
        return failure;
    }
    std::vector<std::string> opened;
    std::optional<std::string> failure;
};

class NullSystemLog final : public SystemLog {
public:
    void write(Level, std::string_view, std::string_view) override {}
};

struct ShareRequestTest : ::testing::Test {
    tt::TempDir dir;
    FakeSystemPaths paths;
    NullSystemLog systemLog;
    RecordingLauncher launcher;
    ExtensionLogger logger{ShareExtensionLogger::config(), paths, systemLog};

    ShareRequestTest()
    {
        paths.groupId = "G";
        paths.containerRoot = dir / "containers";
        paths.realHome = dir / "home";
        paths.processHome = dir / "home";
        paths.tempDir = dir / "tmp";
        fs::create_directories(dir / "tmp");
    }
    std::string log()
    {
        logger.flush();
        return tt::readFile(dir / "containers" / "G" / "logs" / "share-extension.log");
    }
    ShareItem file(const fs::path& p) { return {ShareItem::Kind::File, p.string()}; }
};

} // namespace

TEST_F(ShareRequestTest, TwoFilesAndALink)
{
    const auto a = dir.write("home/a.pdf", "AAAA");
    const auto b = dir.write("home/docs/b.txt", "BB");
    ShareRequest request(paths, logger, launcher);
    EXPECT_EQ(request.run({file(a), file(b), {ShareItem::Kind::Link, "https://example.com/x?token=1"}}),
              ShareRequest::Outcome::Opened);
    ASSERT_EQ(request.stagedFiles().size(), 2u);
    const fs::path staged0 = request.stagedFiles()[0];
    const fs::path staged1 = request.stagedFiles()[1];
    const fs::path stagingDir = staged0.parent_path();
    EXPECT_EQ(stagingDir.parent_path(), dir / "containers" / "G" / "SharedFiles");
    EXPECT_EQ(stagingDir.filename().string().size(), 36u);
    EXPECT_EQ(staged1.parent_path(), stagingDir);
    EXPECT_EQ(tt::readFile(staged0), "AAAA");

    // The modes of what is staged and the URL handed over: shareprogram_tests, through the program.
    ASSERT_EQ(launcher.opened.size(), 1u);
    const std::string text = log();
    for (const char* line : {"(ShareExtension) viewDidLoad", "(ShareExtension) Processing 3 shared item(s)",
                             "Successfully staged file: .pdf, 4 bytes", "Successfully staged file: .txt, 2 bytes",
                             "Received URL: https://example.com/<redacted>?<redacted>",
                             "Opening Tarnwick URL: tarnwick://share?<redacted> (files: 2, hasText: false, hasUrl: true)",
                             "[info] (ShareExtension) NSWorkspace.shared.open succeeded",
                             "Completing extension request"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(text.find("a.pdf"), std::string::npos) << "file names are not logged";
    EXPECT_EQ(text.find(dir.path().string()), std::string::npos);
}

TEST_F(ShareRequestTest, SameNameFromTwoFoldersBothArriveAndOneFileIsStagedOnce)
{
    const auto first = dir.write("home/one/report.pdf", "first");
    const auto second = dir.write("home/two/report.pdf", "second");
    const auto third = dir.write("home/three/report.pdf", "third");
    ShareRequest request(paths, logger, launcher);
    request.run({file(first), file(second), file(first), file(third)});
    ASSERT_EQ(request.stagedFiles().size(), 3u);
    EXPECT_EQ(fs::path(request.stagedFiles()[0]).filename(), "report.pdf");
    EXPECT_EQ(fs::path(request.stagedFiles()[1]).filename(), "report 2.pdf");
    EXPECT_EQ(fs::path(request.stagedFiles()[2]).filename(), "report 3.pdf");
    EXPECT_EQ(tt::readFile(request.stagedFiles()[0]), "first");
    EXPECT_EQ(tt::readFile(request.stagedFiles()[1]), "second");
    EXPECT_EQ(tt::readFile(request.stagedFiles()[2]), "third");
    EXPECT_EQ(ShareStaging::numberedName("archive.tar.gz", 2), "archive.tar 2.gz");
    EXPECT_EQ(ShareStaging::numberedName("README", 4), "README 4");
}

TEST_F(ShareRequestTest, TextOnlyIsCountedNeverLogged)
{
    ShareRequest request(paths, logger, launcher);
    request.run({{ShareItem::Kind::Text, "secret note 👍🏽 for jo@example.com"}});
    ASSERT_EQ(launcher.opened.size(), 1u);
    EXPECT_EQ(launcher.opened[0].rfind("tarnwick://share?text=secret%20note%20", 0), 0u);
    EXPECT_EQ(launcher.opened[0].find("files="), std::string::npos);
    const std::string text = log();
    EXPECT_NE(text.find("Received text (32 characters)"), std::string::npos) << text;
    EXPECT_EQ(text.find("secret"), std::string::npos);
    EXPECT_EQ(text.find("jo@example.com"), std::string::npos);
}

TEST_F(ShareRequestTest, NothingUsableStillOpensAndFailuresAreLogged)
{
    ShareRequest request(paths, logger, launcher);
    request.run({file(dir / "missing.pdf"), {ShareItem::Kind::File, "file://elsewhere/x.pdf"}});
    ASSERT_EQ(launcher.opened.size(), 1u);
    EXPECT_EQ(launcher.opened[0], "tarnwick://share");
    const std::string text = log();
    EXPECT_NE(text.find("[error] (ShareExtension) Failed to copy file to share dir: No such file or directory"),
              std::string::npos) << text;
    EXPECT_NE(text.find("[warn] (ShareExtension) Failed to interpret item data as URL"), std::string::npos);
}

TEST_F(ShareRequestTest, NoItemsOpensNothing)
{
    ShareRequest request(paths, logger, launcher);
    EXPECT_EQ(request.run({}), ShareRequest::Outcome::NothingShared);
    EXPECT_TRUE(launcher.opened.empty());
    EXPECT_NE(log().find("No input items provided"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "containers" / "G" / "SharedFiles"));
}

TEST_F(ShareRequestTest, WithoutAContainerFilesGoToTheTemporaryDirectory)
{
    paths.containerRoot.reset();
    const auto notes = dir.write("home/NOTES", "12345");
    ShareRequest request(paths, logger, launcher);
    launcher.failure = "no handler";
    EXPECT_EQ(request.run({file(notes)}), ShareRequest::Outcome::OpenFailed);
    ASSERT_EQ(request.stagedFiles().size(), 1u);
    const fs::path staged = request.stagedFiles()[0];
    EXPECT_EQ(staged.parent_path().parent_path(), dir / "tmp");
    EXPECT_EQ(staged.parent_path().filename().string().rfind("TarnwickShare-", 0), 0u);
    EXPECT_EQ(launcher.opened[0], "tarnwick://share?files=" + staged.string());
}

TEST_F(ShareRequestTest, ExtensionlessFileLogLine)
{
    const auto notes = dir.write("home/NOTES", "12345");
    ShareRequest request(paths, logger, launcher);
    launcher.failure = "no handler";
    request.run({file(notes)});
    const std::string text = log();
    EXPECT_NE(text.find("Successfully staged file: no extension, 5 bytes"), std::string::npos) << text;
    EXPECT_NE(text.find("[error] (ShareExtension) NSWorkspace.shared.open failed: no handler"), std::string::npos);
    EXPECT_NE(text.find("Completing extension request"), std::string::npos);
}

TEST_F(ShareRequestTest, NamesAddressesAndUrlPathsNeverReachTheLog)
{
    const auto salary = dir.write("home/Jane Doe salary 2024.pdf", "PDF");
    const auto result = dir.write("home/Dr. Jones - biopsy result", "TXT");
    ShareRequest request(paths, logger, launcher);
    request.run({file(salary), file(result),
                 {ShareItem::Kind::Link, "https://docs.example.com/d/1AbC-SECRET-CAPABILITY-TOKEN/edit?usp=sharing"},
                 {ShareItem::Kind::Link, "mailto:j\xC3\xB6rg.m\xC3\xBCller@b\xC3\xBC" "cher.example"},
                 {ShareItem::Kind::Link, "file://" + (dir / "home" / "Documents" / "taxes-2024-Jane-Doe.pdf").string()}});
    const std::string text = log();
    EXPECT_NE(text.find("Successfully staged file: .pdf, 3 bytes"), std::string::npos) << text;
    EXPECT_NE(text.find("Successfully staged file: unusual extension, 3 bytes"), std::string::npos) << text;
    for (const char* secret : {"Jane", "Doe", "salary", "Jones", "biopsy", "SECRET", "CAPABILITY", "edit", "m\xC3\xBCller",
                               "b\xC3\xBC" "cher", "taxes", "Documents"})
        EXPECT_EQ(text.find(secret), std::string::npos) << secret << " in\n" << text;
}

TEST(ShareItems, LocalPathsAndCommandLine)
{
    struct Row {
        const char* in;
        std::optional<std::string> out;
    };
    const Row rows[] = {
        {"", std::nullopt},
        {"relative/file.txt", "relative/file.txt"},
        {"/abs/file.txt", "/abs/file.txt"},
        {"file:///tmp/a%20b.txt", "/tmp/a b.txt"},
        {"file://localhost/tmp/x", "/tmp/x"},
        {"file://other/tmp/x", std::nullopt},
        {"file:/tmp/y", "/tmp/y"},
        {"file:///tmp/bad%zz", std::nullopt},
        {"file:///tmp/nul%00", std::nullopt},
        {"file://", std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ShareRequest::localPath(row.in), row.out) << row.in;

    namespace cli = sharecommandline;
    const auto parsed = cli::parse({"--url", "https://a.example/", "/tmp/f", "--text", "t", "mailto:x@y.z", "file:///g"});
    const auto& items = std::get<std::vector<ShareItem>>(parsed);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].value, "/tmp/f");
    EXPECT_EQ(items[1].value, "file:///g");
    EXPECT_EQ(items[2].kind, ShareItem::Kind::Text);
    EXPECT_EQ(items[3].value, "https://a.example/");
    EXPECT_EQ(items[4].value, "mailto:x@y.z");
    EXPECT_TRUE(std::holds_alternative<cli::UsageError>(cli::parse({"--text"})));
    EXPECT_TRUE(std::holds_alternative<cli::UsageError>(cli::parse({"--url", "not a url"})));
    EXPECT_TRUE(std::holds_alternative<cli::UsageError>(cli::parse({"--bogus"})));
    EXPECT_TRUE(std::holds_alternative<cli::Help>(cli::parse({"--help"})));
    EXPECT_EQ(std::get<std::vector<ShareItem>>(cli::parse({"--", "--text"}))[0].value, "--text");
}
