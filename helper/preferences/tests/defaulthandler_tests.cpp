// The GIO adapter against real GIO: desktop entries and mimeapps.list in temporary XDG directories,
// the adapter run in a fresh probe process per step, and the gio tool as an independent witness.
#include <gtest/gtest.h>

#include "tarnwick/testing/subprocess.h"
#include "tarnwick/testing/tempdir.h"

namespace tt = tarnwick::testing;
namespace fs = std::filesystem;

namespace {

std::string desktopEntry(const std::string& name)
{
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=/bin/true %u\nMimeType=x-scheme-handler/mailto;\n";
}

class GioDefaultHandlerTest : public ::testing::Test {
protected:
    tt::TempDir dir;
    const std::string probe = tt::builtProgram("helper/defaulthandler_probe");
    bool prefixKnownToDesktop = true;

    GioDefaultHandlerTest()
    {
        dir.write("prefix/share/applications/com.fenmoorlab.tarnwick.desktop", desktopEntry("Tarnwick"));
        dir.write("data/applications/othermail.desktop", desktopEntry("Other Mail"));
        fs::create_directories(dir / "config");
        fs::create_directories(dir / "system");
    }

    tt::Subprocess::Options env() const
    {
        tt::Subprocess::Options o;
        o.setEnv = {
            {"HOME", (dir / "home").string()},
            {"XDG_DATA_HOME", (dir / "data").string()},
            {"XDG_CONFIG_HOME", (dir / "config").string()},
            {"XDG_DATA_DIRS", (dir / "system").string() + (prefixKnownToDesktop ? ":" + (dir / "prefix" / "share").string() : "")},
            {"XDG_CONFIG_DIRS", (dir / "system").string()},
        };
        return o;
    }
    tt::RunResult run(std::vector<std::string> args, bool installed = true)
    {
        if (installed)
            args.insert(args.begin(), {"--installed", (dir / "prefix").string()});
        return tt::run(probe, args, env());
    }
    // What the desktop's own tool says the default is.
    std::string gioDefault()
    {
        const auto result = tt::run("/usr/bin/gio", {"mime", "x-scheme-handler/mailto"}, env());
        const auto firstLine = result.out.substr(0, result.out.find('\n'));
        const auto colon = firstLine.rfind(": ");
        return firstLine.find("Default application") == 0 && colon != std::string::npos ? firstLine.substr(colon + 2)
                                                                                          : "none";
    }
    void setDefaultWithGio(const std::string& id)
    {
        ASSERT_EQ(tt::run("/usr/bin/gio", {"mime", "x-scheme-handler/mailto", id}, env()).status, 0);
    }
};

} // namespace

TEST_F(GioDefaultHandlerTest, BuildTreeBinaryCannotClaim)
{
    EXPECT_EQ(run({"canclaim"}, false).out, "0\n");
    const auto claim = run({"claim"}, false);
    EXPECT_EQ(claim.out, "error: Tarnwick is not running from an app bundle\n");
    EXPECT_EQ(claim.err, "") << "nothing is logged: the system is not contacted";
    EXPECT_FALSE(fs::exists(dir / "config" / "mimeapps.list"));
    EXPECT_EQ(run({"current"}, false).out, "none\n") << "no handler is set";
    EXPECT_EQ(run({"canclaim"}).out, "1\n");
}

TEST_F(GioDefaultHandlerTest, ClaimMakesTheInstalledEntryTheHandler)
{
    setDefaultWithGio("othermail.desktop");
    EXPECT_EQ(run({"current"}).out, "Other Mail\t0\n");
    EXPECT_EQ(run({"current"}, false).out, "Other Mail\t0\n");

    const auto claim = run({"claim"});
    EXPECT_EQ(claim.out, "ok\n");
    EXPECT_EQ(claim.err, "I|Defaults|Claiming mailto: for com.fenmoorlab.tarnwick.desktop\n");
    EXPECT_EQ(gioDefault(), "com.fenmoorlab.tarnwick.desktop") << "the desktop itself now reports the claim";
    EXPECT_EQ(run({"current"}).out, "Tarnwick\t1\n");
    EXPECT_EQ(run({"current"}, false).out, "Tarnwick\t0\n") << "a build-tree binary is not the installed product";
}

TEST_F(GioDefaultHandlerTest, ClaimFailsWhenTheDesktopWouldNotFindTheEntry)
{
    setDefaultWithGio("othermail.desktop");
    prefixKnownToDesktop = false;
    auto claim = run({"claim"});
    EXPECT_EQ(claim.out.rfind("error: The desktop does not know com.fenmoorlab.tarnwick.desktop", 0), 0u) << claim.out;
    EXPECT_NE(claim.err.find("W|Defaults|Claim failed: The desktop does not know"), std::string::npos) << claim.err;
    EXPECT_EQ(gioDefault(), "othermail.desktop") << "nothing was registered";

    // A user copy of the entry shadows the installed one: claiming would register the copy.
    prefixKnownToDesktop = true;
    dir.write("data/applications/com.fenmoorlab.tarnwick.desktop", desktopEntry("Tarnwick (copy)"));
    claim = run({"claim"});
    EXPECT_EQ(claim.out.rfind("error: The desktop finds com.fenmoorlab.tarnwick.desktop at ", 0), 0u) << claim.out;
    EXPECT_EQ(gioDefault(), "othermail.desktop");
    setDefaultWithGio("com.fenmoorlab.tarnwick.desktop");
    EXPECT_EQ(run({"current"}).out, "Tarnwick (copy)\t0\n") << "only the installed entry itself counts";
}

TEST_F(GioDefaultHandlerTest, AnEntryWhoseProgramIsMissingIsNotOfferedAndTheRowSaysWhy)
{
    const std::string missing = (dir / "prefix" / "bin" / "tarnwick").string();
    dir.write("prefix/share/applications/com.fenmoorlab.tarnwick.desktop",
              "[Desktop Entry]\nType=Application\nName=Tarnwick\nExec=" + missing + " %u\nMimeType=x-scheme-handler/mailto;\n");
    setDefaultWithGio("othermail.desktop");
    EXPECT_EQ(run({"canclaim"}).out, "0\n");
    EXPECT_EQ(run({"problem"}).out, "The desktop cannot start Tarnwick: its program " + missing + " is missing\n");
    const auto claim = run({"claim"});
    EXPECT_EQ(claim.out, "error: The desktop cannot start Tarnwick: its program " + missing + " is missing\n");
    EXPECT_EQ(gioDefault(), "othermail.desktop") << "nothing was registered";

    prefixKnownToDesktop = false;
    dir.write("prefix/bin/tarnwick", "#!/bin/sh\n");
    fs::permissions(dir / "prefix" / "bin" / "tarnwick", fs::perms::owner_all);
    EXPECT_EQ(run({"problem"}).out.rfind("The desktop does not know com.fenmoorlab.tarnwick.desktop; add ", 0), 0u);
    prefixKnownToDesktop = true;
    EXPECT_EQ(run({"canclaim"}).out, "1\n");
    EXPECT_EQ(run({"problem"}).out, "none\n");
    EXPECT_EQ(run({"problem"}, false).out, "none\n") << "no installed product: the row's usual text";
}
