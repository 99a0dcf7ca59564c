// Shared folders and large shares: what lands in the staging directory, and what never does.
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

#include "tarnwick/extensionkit/shareextensionlogger.h"
#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/share/sharerequest.h"
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
        return std::nullopt;
    }
    std::vector<std::string> opened;
};

class NullSystemLog final : public SystemLog {
public:
    void write(Level, std::string_view, std::string_view) override {}
};

struct Entry {
    fs::path path;
    mode_t mode;
    bool isLink;
};

// Everything below `root`, links included and never followed.
std::vector<Entry> entriesBelow(const fs::path& root)
{
    std::vector<Entry> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        struct stat st {};
        ::lstat(it->path().c_str(), &st);
        out.push_back({it->path(), static_cast<mode_t>(st.st_mode & 07777), S_ISLNK(st.st_mode)});
    }
    return out;
}

struct ShareFolderTest : ::testing::Test {
    tt::TempDir dir;
    FakeSystemPaths paths;
    NullSystemLog systemLog;
    RecordingLauncher launcher;
    ExtensionLogger logger{ShareExtensionLogger::config(), paths, systemLog};

    ShareFolderTest()
    {
        paths.groupId = "G";
        paths.containerRoot = dir / "containers";
        paths.realHome = dir / "home";
        paths.processHome = dir / "home";
        paths.tempDir = dir / "tmp";
        fs::create_directories(dir / "tmp");
    }
    fs::path sharedFiles() const { return dir / "containers" / "G" / "SharedFiles"; }
    std::string log()
    {
        logger.flush();
        return tt::readFile(dir / "containers" / "G" / "logs" / "share-extension.log");
    }
    ShareRequest::Outcome share(const std::vector<std::string>& files, ShareStaging::Limits limits = {})
    {
        std::vector<ShareItem> items;
        for (const auto& f : files)
            items.push_back({ShareItem::Kind::File, f});
        ShareRequest request(paths, logger, launcher, limits);
        const auto outcome = request.run(items);
        staged = request.stagedFiles();
        return outcome;
    }
    std::vector<std::string> staged;
};

} // namespace

TEST_F(ShareFolderTest, LinksAreNeverFollowedAndEverythingIsOwnerOnly)
{
    dir.write("secret/passwords.txt", "outside the shared tree");
    dir.write("album/a.jpg", "a");
    dir.write("album/deep/b.jpg", "bb");
    fs::create_directory_symlink("..", dir / "album" / "loop");
    fs::create_directory_symlink("../..", dir / "album" / "deep" / "up");
    fs::create_symlink(dir / "secret" / "passwords.txt", dir / "album" / "peek.txt");
    ASSERT_EQ(::mkfifo((dir / "album" / "pipe").c_str(), 0644), 0);
    fs::permissions(dir / "album" / "a.jpg", fs::perms(0644));
    fs::permissions(dir / "album" / "deep", fs::perms(0555)); // a folder the copy must still be able to remove

    ASSERT_EQ(share({(dir / "album").string()}), ShareRequest::Outcome::Opened);
    ASSERT_EQ(staged.size(), 1u);
    const fs::path copy = staged[0];
    std::vector<std::string> names;
    for (const auto& e : entriesBelow(copy)) {
        names.push_back(e.path.lexically_relative(copy).string());
        EXPECT_FALSE(e.isLink) << e.path;
        EXPECT_EQ(e.mode, fs::is_directory(e.path) ? 0700u : 0600u) << e.path;
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.jpg", "deep", "deep/b.jpg"}));
    EXPECT_EQ(tt::readFile(copy / "deep" / "b.jpg"), "bb");
    EXPECT_EQ(fs::status(copy).permissions(), fs::perms(0700));

    const std::string text = log();
    EXPECT_NE(text.find("Left out 3 symbolic link(s) in a shared folder"), std::string::npos) << text;
    EXPECT_NE(text.find("Left out 1 device(s), socket(s) or pipe(s)"), std::string::npos) << text;
    EXPECT_NE(text.find("Successfully staged file: no extension, 3 bytes"), std::string::npos) << text;
    EXPECT_EQ(text.find("passwords"), std::string::npos);
    fs::permissions(dir / "album" / "deep", fs::perms(0755));
}

TEST_F(ShareFolderTest, AFolderHoldingTheStagingAreaIsRefused)
{
    dir.write("containers/G/accounts.json", "[]");
    dir.write("note.txt", "n");
    // The whole test directory holds the container, and with it the staging directory.
    ASSERT_EQ(share({dir.path().string(), (dir / "containers").string(), (dir / "note.txt").string()}),
              ShareRequest::Outcome::Opened);
    ASSERT_EQ(staged.size(), 1u);
    EXPECT_EQ(fs::path(staged[0]).filename(), "note.txt");
    const auto stagingDir = fs::path(staged[0]).parent_path();
    EXPECT_EQ(std::distance(fs::directory_iterator(stagingDir), fs::directory_iterator()), 1);
    const std::string text = log();
    EXPECT_NE(text.find("Failed to copy file to share dir: the shared folder contains the staging directory"),
              std::string::npos)
        << text;
}

TEST_F(ShareFolderTest, LimitsStopTheCopyAndRemoveWhatWasCopied)
{
    for (int i = 0; i < 5; ++i)
        dir.write("many/f" + std::to_string(i), "12345");
    dir.write("small.txt", "12");

    struct Case {
        ShareStaging::Limits limits;
        const char* line;
    };
    // The folder and its five files are six entries and 25 bytes.
    for (const Case& c : {Case{{5, 1000}, "Failed to copy file to share dir: the share is over its limit of 5 files and folders"},
                          Case{{100, 20}, "Failed to copy file to share dir: the share is over its limit of 20 bytes"}}) {
        ASSERT_EQ(share({(dir / "many").string(), (dir / "small.txt").string()}, c.limits), ShareRequest::Outcome::Opened);
        ASSERT_EQ(staged.size(), 1u) << "what the refused folder had used is free again";
        EXPECT_EQ(fs::path(staged[0]).filename(), "small.txt");
        const fs::path stagingDir = fs::path(staged[0]).parent_path();
        EXPECT_EQ(std::distance(fs::directory_iterator(stagingDir), fs::directory_iterator()), 1)
            << "no partial copy stays behind";
        const std::string text = log();
        EXPECT_NE(text.find(c.line), std::string::npos) << text;
    }
}

TEST_F(ShareFolderTest, AShareTooLongForOneUrlIsRefusedBeforeCopying)
{
    std::vector<std::string> files;
    for (int i = 0; i < 1300; ++i)
        files.push_back(dir.write("bulk/holiday photo number " + std::to_string(i) + " of the summer.jpg", "x").string());
    EXPECT_EQ(share(files), ShareRequest::Outcome::TooLarge);
    EXPECT_TRUE(launcher.opened.empty());
    EXPECT_TRUE(staged.empty());
    EXPECT_TRUE(!fs::exists(sharedFiles()) || fs::is_empty(sharedFiles())) << "nothing was staged";
    const std::string text = log();
    EXPECT_NE(text.find("Share too large to hand over: the tarnwick://share URL would be "), std::string::npos) << text;
    EXPECT_NE(text.find(" bytes (1300 files), over the limit of 131071; nothing was staged"), std::string::npos) << text;

    // Just under the limit is handed over whole, one URL.
    files.resize(400);
    EXPECT_EQ(share(files), ShareRequest::Outcome::Opened);
    ASSERT_EQ(launcher.opened.size(), 1u);
    EXPECT_EQ(staged.size(), 400u);
    EXPECT_LE(launcher.opened[0].size(), ShareRequest::kMaxHandoffUrlBytes);
}
