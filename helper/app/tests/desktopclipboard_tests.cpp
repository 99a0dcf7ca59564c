// The clipboard through a program (wl-copy on Wayland): the text goes on its standard input, and a
// program that fails or cannot start is logged as an error.

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tarnwick/helper/desktopclipboard.h"
#include "tarnwick/rpc/helperlog.h"
#include "tarnwick/testing/eventwait.h"
#include "tarnwick/testing/tempdir.h"

using namespace tarnwick;
namespace tt = tarnwick::testing;

namespace {

class ClipboardProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        HelperLog::setSink([this](HelperLog::Level level, std::string_view category, std::string_view message, auto&&...) {
            if (level == HelperLog::Level::Error)
                errors.push_back(std::string(category) + "|" + std::string(message));
        });
    }
    void TearDown() override { HelperLog::setSink(nullptr); }

    std::string script(const std::string& name, const std::string& body)
    {
        const auto path = dir.write(name, "#!/bin/sh\n" + body);
        ::chmod(path.c_str(), 0755);
        return path.string();
    }

    tt::TempDir dir;
    std::vector<std::string> errors;
};

} // namespace

TEST_F(ClipboardProgram, GetsTheTextOnItsInputAndNothingOnItsCommandLine)
{
    const std::string program =
        script("copy", "echo \"$#\" > \"$(dirname \"$0\")/argc\"; cat > \"$(dirname \"$0\")/text\"\n");
    ASSERT_TRUE(desktopclipboard::copyThroughProgram(program, "482913"));
    ASSERT_TRUE(tt::waitUntil([&] { return tt::readFile(dir / "argc") == "0\n" &&
                                                tt::readFile(dir / "text") == "482913"; }))
        << "argc: " << tt::readFile(dir / "argc");
    EXPECT_TRUE(errors.empty());
}

TEST_F(ClipboardProgram, LogsWhenTheCopyFailsOrCannotStart)
{
    ASSERT_TRUE(desktopclipboard::copyThroughProgram(script("fails", "cat >/dev/null; exit 3\n"), "1"));
    ASSERT_TRUE(tt::waitUntil([&] { return !errors.empty(); }));
    EXPECT_EQ(errors.front(), "Clipboard|" + (dir / "fails").string() + " failed (exit 3): the text was not copied");

    errors.clear();
    EXPECT_FALSE(desktopclipboard::copyThroughProgram((dir / "missing").string(), "1"));
    ASSERT_TRUE(tt::waitUntil([&] { return !errors.empty(); }));
    EXPECT_EQ(errors.front(), "Clipboard|Could not run " + (dir / "missing").string() + ": the text was not copied");
}
