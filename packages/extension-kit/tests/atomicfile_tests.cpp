// Atomic writes clean up after writes that crashed before their rename.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/time.h>
#include <unistd.h>

#include "tarnwick/extensionkit/atomicfile.h"
#include "tarnwick/testing/tempdir.h"

namespace fs = std::filesystem;
namespace tt = tarnwick::testing;

namespace {

fs::path leftover(const tt::TempDir& dir, const std::string& name, int ageSeconds)
{
    const auto path = dir.write(name, "half written");
    const timeval times[2] = {{::time(nullptr) - ageSeconds, 0}, {::time(nullptr) - ageSeconds, 0}};
    ::utimes(path.c_str(), times);
    return path;
}

} // namespace

TEST(AtomicFile, TheNextWriteRemovesWhatCrashedWritesLeftBehind)
{
    tt::TempDir dir;
    const auto crashed = leftover(dir, ".focus-filter.json.a1B2c3D4.tmp", 600);
    const auto otherFile = leftover(dir, ".widget-cache.json.ZZZZ9999.tmp", 600);
    const auto inProgress = leftover(dir, ".accounts.json.Q1w2E3r4.tmp", 0);
    const auto held = leftover(dir, ".accounts.json.HeLd0000.tmp", 600);
    const int holder = ::open(held.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0); // a live writer that is merely slow
    // Names that are not ours stay, whatever their age.
    const std::vector<fs::path> notOurs = {leftover(dir, ".notes.tmp", 600), leftover(dir, "x.json.a1B2c3D4.tmp", 600),
                                           leftover(dir, ".x.json.a1B2-3D4.tmp", 600),
                                           leftover(dir, ".x.json.a1B2c3D4.tmpx", 600)};
    fs::create_directory(dir / ".dir.json.a1B2c3D4.tmp");

    ASSERT_FALSE(tarnwick::atomicfile::write(dir / "focus-filter.json", "{}"));
    EXPECT_FALSE(fs::exists(crashed));
    EXPECT_FALSE(fs::exists(otherFile)) << "every file's leftovers in the directory go";
    EXPECT_TRUE(fs::exists(inProgress)) << "too young: perhaps a writer that has not locked it yet";
    EXPECT_TRUE(fs::exists(held)) << "a locked temporary file belongs to a live writer";
    for (const auto& p : notOurs)
        EXPECT_TRUE(fs::exists(p)) << p;
    EXPECT_TRUE(fs::is_directory(dir / ".dir.json.a1B2c3D4.tmp"));
    EXPECT_EQ(tt::readFile(dir / "focus-filter.json"), "{}");

    ::close(holder);
    tarnwick::atomicfile::removeLeftovers(dir.path());
    EXPECT_FALSE(fs::exists(held)) << "once its writer is gone";
}
