// Environment changes made while other threads read the environment, as the library makes them
// while a Node.js host's threads run.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "tarnwick/native/readersafeenvironment.h"

using namespace tarnwick::native;

namespace {

constexpr const char* kName = "TARNWICK_READER_SAFE_TEST";

std::size_t entriesNamed(const char* name)
{
    const std::size_t length = std::strlen(name);
    std::size_t count = 0;
    for (char** entry = environ; *entry; ++entry)
        count += std::strncmp(*entry, name, length) == 0 && (*entry)[length] == '=';
    return count;
}

std::size_t entryCount()
{
    std::size_t count = 0;
    while (environ[count])
        ++count;
    return count;
}

} // namespace

TEST(ReaderSafeEnvironment, SetReplacesAndRemoveDropsOnlyTheNamedVariable)
{
    ASSERT_EQ(std::getenv(kName), nullptr);
    ::setenv("TARNWICK_READER_SAFE_NEIGHBOUR", "kept", 1);
    const std::size_t before = entryCount();

    setEnvironmentVariableForReaders(kName, "first");
    EXPECT_STREQ(std::getenv(kName), "first");
    setEnvironmentVariableForReaders(kName, "second");
    EXPECT_STREQ(std::getenv(kName), "second");
    EXPECT_EQ(entriesNamed(kName), 1u);
    EXPECT_EQ(entryCount(), before + 1);

    removeEnvironmentVariableForReaders(kName);
    EXPECT_EQ(std::getenv(kName), nullptr);
    EXPECT_EQ(entryCount(), before);
    EXPECT_STREQ(std::getenv("TARNWICK_READER_SAFE_NEIGHBOUR"), "kept");

    char** const unchanged = environ;
    removeEnvironmentVariableForReaders(kName);
    EXPECT_EQ(environ, unchanged) << "removing an absent variable publishes nothing";

    // The C library's own functions keep working on what was published.
    ::setenv(kName, "by-libc", 1);
    EXPECT_STREQ(std::getenv(kName), "by-libc");
    ::unsetenv(kName);
    ::unsetenv("TARNWICK_READER_SAFE_NEIGHBOUR");
    EXPECT_EQ(std::getenv(kName), nullptr);
}

// With setenv()/unsetenv() in place of these functions, readers walk freed arrays (reported by the
// address sanitizer build) or miss variables that were never removed.
TEST(ReaderSafeEnvironment, ReadersOnOtherThreadsAlwaysSeeAWholeEnvironment)
{
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    ASSERT_FALSE(path.empty());
    std::atomic<bool> done{false};
    std::atomic<int> tornViews{0};
    std::atomic<long> walks{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 3; ++r) {
        readers.emplace_back([&] {
            while (!done.load(std::memory_order_relaxed)) {
                const char* seenPath = std::getenv("PATH");
                const char* seenOurs = std::getenv(kName);
                std::size_t total = 0;
                for (char** entry = environ; *entry; ++entry)
                    total += std::strlen(*entry);
                if (!seenPath || seenPath != std::string_view(path) || total == 0
                    || (seenOurs && std::strcmp(seenOurs, "1") != 0))
                    ++tornViews;
                ++walks;
            }
        });
    }
    for (int i = 0; i < 2000; ++i) {
        setEnvironmentVariableForReaders(kName, "1");
        removeEnvironmentVariableForReaders(kName);
    }
    done = true;
    for (auto& reader : readers)
        reader.join();
    EXPECT_EQ(tornViews.load(), 0);
    EXPECT_GT(walks.load(), 0);
    EXPECT_EQ(std::getenv(kName), nullptr);
}
