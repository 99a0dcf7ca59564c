#include <gtest/gtest.h>

#include "tarnwick/platform/bundleidentity.h"
#include "tarnwick/testing/tempdir.h"

using tarnwick::BundleIdentity;
namespace fs = std::filesystem;

TEST(BundleIdentity, InstalledPrefixWithTheDesktopEntryIsAnIdentity)
{
    tarnwick::testing::TempDir tmp;
    const auto prefix = tmp.path() / "usr";
    const auto entry = tmp.write("usr/share/applications/com.fenmoorlab.tarnwick.desktop", "[Desktop Entry]\n");
    tmp.write("usr/bin/tarnwick-helper", "");
    tmp.write("bare/bin/tarnwick-helper", "");
    tmp.write("wrongname/share/applications/com.fenmoorlab.tarnwick.widgets.desktop", "");
    fs::create_directories(tmp.path() / "dir/share/applications/com.fenmoorlab.tarnwick.desktop");

    const auto found = BundleIdentity::forExecutable(prefix / "bin" / "tarnwick-helper");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->prefix, prefix);
    EXPECT_EQ(found->desktopEntry, entry);
    EXPECT_EQ(BundleIdentity::forExecutable(prefix / "bin" / ".." / "bin" / "tarnwick-helper"), found)
        << "dot-dot components are resolved";

    struct Case {
        const char* name;
        fs::path executable;
    };
    for (const Case& c : {Case{"empty", ""},
                          Case{"bare name", "tarnwick-helper"},
                          Case{"at the root", "/tarnwick-helper"},
                          Case{"prefix without the entry", tmp.path() / "bare/bin/tarnwick-helper"},
                          Case{"another program's entry only", tmp.path() / "wrongname/bin/x"},
                          Case{"entry is a directory", tmp.path() / "dir/bin/x"}}) {
        EXPECT_FALSE(BundleIdentity::forExecutable(c.executable)) << c.name;
    }
}

TEST(BundleIdentity, BuildTreeBinaryHasNoneUnlessFaked)
{
    EXPECT_FALSE(BundleIdentity::current()) << "this test runs from the build tree";
    const BundleIdentity fake{"/opt/tarnwick", "/opt/tarnwick/share/applications/com.fenmoorlab.tarnwick.desktop"};
    BundleIdentity::fakeCurrent(fake);
    EXPECT_EQ(BundleIdentity::current(), fake);
    BundleIdentity::fakeCurrent(std::nullopt);
    EXPECT_FALSE(BundleIdentity::current());
    BundleIdentity::resetCurrent();
    EXPECT_FALSE(BundleIdentity::current());
}

TEST(BundleIdentity, AHelperInstalledElsewhereFindsTheEntryOnTheDataDirectories)
{
    tarnwick::testing::TempDir tmp;
    const auto entry = tmp.write("usr/share/applications/com.fenmoorlab.tarnwick.desktop", "[Desktop Entry]\n");
    tmp.write("later/share/applications/com.fenmoorlab.tarnwick.desktop", "[Desktop Entry]\n");
    const fs::path optHelper = tmp.path() / "opt/tarnwick/bin/tarnwick-helper";
    const std::vector<fs::path> dataDirs{"relative/share", tmp.path() / "empty/share", tmp.path() / "usr/share",
                                         tmp.path() / "later/share"};

    const auto found = BundleIdentity::find(optHelper, dataDirs, tmp.path() / "build");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->desktopEntry, entry) << "the first data directory that has it, as the desktop looks";
    EXPECT_EQ(found->prefix, tmp.path() / "usr");

    tmp.write("opt/tarnwick/share/applications/com.fenmoorlab.tarnwick.desktop", "[Desktop Entry]\n");
    EXPECT_EQ(BundleIdentity::find(optHelper, dataDirs, tmp.path() / "build")->prefix, tmp.path() / "opt/tarnwick")
        << "the executable's own prefix comes first";

    EXPECT_FALSE(BundleIdentity::find(tmp.path() / "build/helper/tarnwick-helper", dataDirs, tmp.path() / "build"))
        << "a build-tree binary never borrows the installed identity";
    EXPECT_FALSE(BundleIdentity::find(tmp.path() / "elsewhere/bin/x", {tmp.path() / "empty/share"}, ""))
        << "no data directory has the entry";
}

TEST(BundleIdentity, DataDirectoriesFollowTheXdgRules)
{
    struct Case {
        const char* dataHome;
        const char* home;
        const char* dataDirs;
        std::vector<fs::path> expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, {"/usr/local/share", "/usr/share"}},
        {"", "/h", "", {"/h/.local/share", "/usr/local/share", "/usr/share"}},
        {"rel", "/h", "/a:rel:/b:", {"/h/.local/share", "/a", "/b"}},
        {"/d", "/h", "/a", {"/d", "/a"}},
    };
    auto set = [](const char* name, const char* value) {
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    };
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    for (const Case& c : cases) {
        set("XDG_DATA_HOME", c.dataHome);
        set("HOME", c.home);
        set("XDG_DATA_DIRS", c.dataDirs);
        EXPECT_EQ(BundleIdentity::xdgDataDirectories(), c.expected) << (c.dataDirs ? c.dataDirs : "(unset)");
    }
    ::setenv("HOME", savedHome.c_str(), 1);
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_DATA_DIRS");
}
