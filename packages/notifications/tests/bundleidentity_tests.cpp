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
