// tarnwick-share through real GIO: a private data directory registers a recorder command as the
// handler of x-scheme-handler/tarnwick, and the test reads back the URL the recorder was given.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tarnwick/share/sharehandoff.h"
#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"

namespace fs = std::filesystem;
namespace tt = tarnwick::testing;

namespace {

mode_t modeOf(const fs::path& p)
{
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_mode & 07777;
}

struct ShareProgramTest : ::testing::Test {
    tt::TempDir dir;
    fs::path fifo = dir / "received.fifo";
    int fifoFd = -1;

    ShareProgramTest()
    {
        // The recorder writes the URL it was started with into a FIFO the test waits on.
        ::mkfifo(fifo.c_str(), 0600);
        fifoFd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        const auto recorder = dir.write("bin/recorder", "#!/bin/sh\nprintf '%s\\n' \"$1\" > " + fifo.string() + "\n");
        fs::permissions(recorder, fs::perms::owner_all);
        dir.write("data/applications/tarnwick-recorder.desktop",
                  "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + recorder.string()
                      + " %u\nMimeType=x-scheme-handler/tarnwick;\n");
        dir.write("config/mimeapps.list", "[Default Applications]\nx-scheme-handler/tarnwick=tarnwick-recorder.desktop\n");
        fs::create_directories(dir / "system-data");
        fs::create_directories(dir / "tmp");
    }
    ~ShareProgramTest() override { ::close(fifoFd); }

    tt::Subprocess::Options options(bool withHandler) const
    {
        tt::Subprocess::Options o;
        o.setEnv = {{"XDG_DATA_HOME", (dir / (withHandler ? "data" : "empty-data")).string()},
                    {"XDG_CONFIG_HOME", (dir / (withHandler ? "config" : "empty-config")).string()},
                    {"XDG_DATA_DIRS", (dir / "system-data").string()},
                    {"XDG_CONFIG_DIRS", (dir / "system-data").string()},
                    {"TMPDIR", (dir / "tmp").string()},
                    {"HOME", (dir / "home").string()}};
        return o;
    }

    // The recorder's line, waiting on the FIFO up to the deadline.
    std::optional<std::string> received(std::chrono::milliseconds timeout = std::chrono::seconds(20))
    {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (line.empty() || line.back() != '\n') {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return std::nullopt;
            pollfd p{fifoFd, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return std::nullopt;
            char buffer[4096];
            const ssize_t n = ::read(fifoFd, buffer, sizeof buffer);
            if (n > 0)
                line.append(buffer, static_cast<std::size_t>(n));
            else if (n == 0 && !(p.revents & POLLIN))
                return std::nullopt;
        }
        line.pop_back();
        return line;
    }
};

} // namespace

TEST_F(ShareProgramTest, HandsTheStagedFilesTextAndLinkToTheSchemeHandler)
{
    const auto a = dir.write("in/one/Q&A #1.txt", "first");
    const auto b = dir.write("in/two/Q&A #1.txt", "second");
    const auto c = dir.write("in/café.pdf", "third");
    const auto result = tt::run(tt::builtProgram("share-extension/tarnwick-share-grouped"),
                                {a.string(), "file://" + tarnwick::sharehandoff::encodeQueryComponent(b.string()),
                                 c.string(), "--text", "a=b & c", "--url", "https://example.com/p?q=1"},
                                options(true));
    EXPECT_EQ(result.status, 0) << result.err;
    const auto url = received();
    ASSERT_TRUE(url) << "the handler was not started";

    const fs::path shared = dir / "data" / "group-containers" / "TEST.group.com.fenmoorlab.tarnwick" / "SharedFiles";
    ASSERT_EQ(std::distance(fs::directory_iterator(shared), fs::directory_iterator()), 1);
    const fs::path staging = fs::directory_iterator(shared)->path();
    EXPECT_EQ(modeOf(staging), 0700u);
    const fs::path s1 = staging / "Q&A #1.txt", s2 = staging / "Q&A #1 2.txt", s3 = staging / "café.pdf";
    for (const auto& p : {s1, s2, s3})
        EXPECT_EQ(modeOf(p), 0600u) << p;
    EXPECT_EQ(tt::readFile(s2), "second");

    using tarnwick::sharehandoff::encodeQueryComponent;
    EXPECT_EQ(*url, "tarnwick://share?files=" + encodeQueryComponent(s1.string()) + "&files="
                        + encodeQueryComponent(s2.string()) + "&files=" + encodeQueryComponent(s3.string())
                        + "&text=a%3Db%20%26%20c&url=https%3A//example.com/p%3Fq%3D1");
    EXPECT_NE(url->find("%26"), std::string::npos);
    EXPECT_NE(url->find("%23"), std::string::npos);
    EXPECT_NE(url->find("caf%C3%A9.pdf"), std::string::npos);

    const std::string log = tt::readFile(shared.parent_path() / "logs" / "share-extension.log");
    EXPECT_NE(log.find("NSWorkspace.shared.open succeeded"), std::string::npos) << log;
    EXPECT_EQ(log.find(dir.path().string()), std::string::npos) << "no home or path in the log";
}

TEST_F(ShareProgramTest, WithoutAGroupFilesStageUnderTmpdir)
{
    const auto a = dir.write("in/notes", "n");
    const auto result = tt::run(tt::builtProgram("share-extension/tarnwick-share-ungrouped"), {a.string()}, options(true));
    EXPECT_EQ(result.status, 0) << result.err;
    const auto url = received();
    ASSERT_TRUE(url);
    ASSERT_EQ(std::distance(fs::directory_iterator(dir / "tmp"), fs::directory_iterator()), 1);
    const fs::path staging = fs::directory_iterator(dir / "tmp")->path();
    EXPECT_EQ(staging.filename().string().substr(0, 14), "TarnwickShare-");
    EXPECT_EQ(*url, "tarnwick://share?files=" + (staging / "notes").string());
}

TEST_F(ShareProgramTest, TheDefaultBuildSharesThroughTheDefaultGroupAndNeverFollowsLinks)
{
    dir.write("in/folder/photo.jpg", "p");
    fs::create_directory_symlink("..", dir / "in" / "folder" / "loop");
    fs::create_symlink("/etc/passwd", dir / "in" / "folder" / "passwd");
    const auto result = tt::run(tt::builtProgram("share-extension/tarnwick-share"), {(dir / "in" / "folder").string()},
                                options(true));
    EXPECT_EQ(result.status, 0) << result.err;
    ASSERT_TRUE(received());
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));

    const fs::path container = dir / "data" / "group-containers" / "group.com.fenmoorlab.tarnwick";
    const fs::path shared = container / "SharedFiles";
    ASSERT_EQ(std::distance(fs::directory_iterator(shared), fs::directory_iterator()), 1);
    const fs::path copy = fs::directory_iterator(shared)->path() / "folder";
    std::vector<std::string> entries;
    for (const auto& e : fs::recursive_directory_iterator(fs::directory_iterator(shared)->path())) {
        entries.push_back(e.path().lexically_relative(copy).string());
        EXPECT_FALSE(e.is_symlink()) << e.path();
        EXPECT_EQ(modeOf(e.path()), e.is_directory() ? 0700u : 0600u) << e.path();
    }
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{".", "photo.jpg"}));
    EXPECT_NE(tt::readFile(container / "logs" / "share-extension.log").find("Left out 2 symbolic link(s)"),
              std::string::npos);
}

TEST_F(ShareProgramTest, NoHandlerIsExitStatusOneAndUsageErrorsTwo)
{
    auto result = tt::run(tt::builtProgram("share-extension/tarnwick-share"), {"--text", "x"}, options(false));
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("could not open Tarnwick"), std::string::npos);

    result = tt::run(tt::builtProgram("share-extension/tarnwick-share"), {"--text"}, options(true));
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("usage: tarnwick-share"), std::string::npos);
    EXPECT_EQ(tt::run(tt::builtProgram("share-extension/tarnwick-share"), {"--help"}, options(true)).status, 0);
}
