// Reading a file another program of the user may have replaced: whatever stands in its place, the
// read returns at once with a reason, and never more than asked for.

#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tarnwick/platform/fileread.h"
#include "tarnwick/testing/tempdir.h"

using tarnwick::readWholeFile;
using tarnwick::testing::TempDir;

TEST(ReadWholeFile, ReadsARegularFileAndNamesWhatElseStandsInItsPlace)
{
    TempDir dir;
    std::error_code error;
    EXPECT_EQ(readWholeFile(dir.write("plain.json", "[1]"), error), "[1]");
    EXPECT_FALSE(error);

    EXPECT_FALSE(readWholeFile(dir / "absent.json", error));
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);

    std::filesystem::create_directory(dir / "folder");
    EXPECT_FALSE(readWholeFile(dir / "folder", error));
    EXPECT_EQ(error, std::errc::is_a_directory);

    // A link is not followed, wherever it points: to an endless device or to a good file.
    std::filesystem::create_symlink("/dev/zero", dir / "zero.json");
    EXPECT_FALSE(readWholeFile(dir / "zero.json", error));
    EXPECT_EQ(error, std::errc::too_many_symbolic_link_levels);
    std::filesystem::create_symlink(dir / "plain.json", dir / "link.json");
    EXPECT_FALSE(readWholeFile(dir / "link.json", error));
    EXPECT_EQ(error, std::errc::too_many_symbolic_link_levels);
}

TEST(ReadWholeFile, AFifoWithoutAWriterReturnsAtOnce)
{
    TempDir dir;
    const auto fifo = dir / "focus-filter.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::error_code error;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(readWholeFile(fifo, error));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    EXPECT_EQ(error, std::errc::not_supported);

    // Nor with a writer that never writes.
    const int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    EXPECT_FALSE(readWholeFile(fifo, error));
    EXPECT_EQ(error, std::errc::not_supported);
    ::close(writer);
}

TEST(ReadWholeFile, AFileLargerThanTheLimitIsRefusedUnread)
{
    TempDir dir;
    const auto big = dir / "big.json";
    {
        const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t{100} << 20), 0); // 100 MB of holes
        ::close(fd);
    }
    std::error_code error;
    EXPECT_FALSE(readWholeFile(big, error, std::size_t{1} << 20));
    EXPECT_EQ(error, std::errc::file_too_large);
    EXPECT_FALSE(readWholeFile(big, error));
    EXPECT_EQ(error, std::errc::file_too_large) << "the default limit is far below 100 MB";
    EXPECT_EQ(readWholeFile(dir.write("small.json", "12345"), error, 5), "12345");
}
