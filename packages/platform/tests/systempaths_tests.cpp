#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

#include "tarnwick/platform/fakesystempaths.h"
#include "tarnwick/platform/linuxsystempaths.h"
#include "tarnwick/testing/tempdir.h"

using tarnwick::FakeSystemPaths;
using tarnwick::LinuxSystemPaths;
using tarnwick::SystemPaths;
namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

mode_t modeOf(const fs::path& p)
{
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
    return st.st_mode & 07777;
}

} // namespace

TEST(LinuxSystemPaths, ContainerLiesUnderXdgDataHomeAndIsCreatedPrivate)
{
    tarnwick::testing::TempDir tmp;
    ScopedEnv data("XDG_DATA_HOME", (tmp.path() / "data").c_str());
    LinuxSystemPaths paths(std::string("T1.group.com.fenmoorlab.tarnwick"));

    const auto container = paths.appGroupContainer();
    ASSERT_TRUE(container);
    EXPECT_EQ(*container, tmp.path() / "data" / "group-containers" / "T1.group.com.fenmoorlab.tarnwick");
    EXPECT_TRUE(fs::is_directory(*container));
    EXPECT_EQ(modeOf(*container), 0700u);
    EXPECT_EQ(modeOf(tmp.path() / "data" / "group-containers"), 0700u);
    EXPECT_EQ(paths.appGroupFile("focus-filter.json"), *container / "focus-filter.json");
}

TEST(LinuxSystemPaths, ExistingContainerKeepsItsMode)
{
    tarnwick::testing::TempDir tmp;
    ScopedEnv data("XDG_DATA_HOME", tmp.path().c_str());
    fs::create_directories(tmp.path() / "group-containers" / "g");
    ::chmod((tmp.path() / "group-containers" / "g").c_str(), 0755);
    EXPECT_EQ(LinuxSystemPaths(std::string("g")).appGroupContainer(), tmp.path() / "group-containers" / "g");
    EXPECT_EQ(modeOf(tmp.path() / "group-containers" / "g"), 0755u);
}

TEST(LinuxSystemPaths, DataHomeFallsBackToHomeWhenUnsetOrRelative)
{
    tarnwick::testing::TempDir tmp;
    ScopedEnv home("HOME", tmp.path().c_str());
    for (const char* value : {static_cast<const char*>(nullptr), "", "relative/share"}) {
        ScopedEnv data("XDG_DATA_HOME", value);
        EXPECT_EQ(LinuxSystemPaths(std::string("g")).appGroupContainer(),
                  tmp.path() / ".local" / "share" / "group-containers" / "g")
            << (value ? value : "(unset)");
    }
}

TEST(LinuxSystemPaths, NoContainerWithoutAUsableGroup)
{
    tarnwick::testing::TempDir tmp;
    ScopedEnv data("XDG_DATA_HOME", tmp.path().c_str());
    EXPECT_FALSE(LinuxSystemPaths(std::nullopt).appGroupContainer());
    EXPECT_FALSE(LinuxSystemPaths(std::string()).appGroupIdentifier());
    for (const char* bad : {"", ".", "..", "a/b", "../escape"})
        EXPECT_FALSE(LinuxSystemPaths().groupContainer(bad)) << bad;
    // A container that cannot be created (a file in the way) is no container.
    tmp.write("group-containers/blocked", "x");
    EXPECT_FALSE(LinuxSystemPaths().groupContainer("blocked"));
}

TEST(LinuxSystemPaths, RealHomeIgnoresTheEnvironment)
{
    tarnwick::testing::TempDir tmp;
    const auto before = LinuxSystemPaths().realHomeDirectory();
    ScopedEnv home("HOME", tmp.path().c_str());
    const LinuxSystemPaths paths;
    EXPECT_EQ(paths.realHomeDirectory(), before);
    EXPECT_EQ(paths.processHomeDirectory(), tmp.path());
    ASSERT_TRUE(before);
    EXPECT_EQ(paths.legacyFile("accounts.json"),
              *before / "Library" / "Application Support" / "Tarnwick" / "accounts.json");
}

TEST(LinuxSystemPaths, TemporaryDirectoryHonoursAbsoluteTmpdirOnly)
{
    {
        ScopedEnv tmp("TMPDIR", "/var/tmp");
        EXPECT_EQ(LinuxSystemPaths().temporaryDirectory(), "/var/tmp");
    }
    for (const char* value : {static_cast<const char*>(nullptr), "", "rel"}) {
        ScopedEnv tmp("TMPDIR", value);
        EXPECT_EQ(LinuxSystemPaths().temporaryDirectory(), "/tmp");
    }
}

TEST(SystemPaths, CurrentCanBeReplacedAndRestored)
{
    FakeSystemPaths fake;
    fake.realHome = "/home/someone";
    SystemPaths::setCurrent(&fake);
    EXPECT_EQ(&SystemPaths::current(), &fake);
    EXPECT_EQ(SystemPaths::current().legacyFile("x"), fs::path("/home/someone/Library/Application Support/Tarnwick/x"));
    SystemPaths::setCurrent(nullptr);
    EXPECT_NE(&SystemPaths::current(), &fake);
    EXPECT_FALSE(FakeSystemPaths().legacyFile("x"));
}
