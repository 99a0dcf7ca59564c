// Links open through GIO with the desktop's handler for the scheme. Each case points GIO at its own
// data and configuration directories (set before GIO first reads them), registers a probe handler
// for tarnwick:// there, and waits for the file the handler writes.
#include <cstdlib>

#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include "recordinglog.h"
#include "tarnwick/testing/tempdir.h"
#include "tarnwick/widgets/linkopener.h"

using namespace tarnwick;
using tarnwick::testing::RecordingLog;
using tarnwick::testing::TempDir;

namespace {

// Polls `done` with a deadline while the event loop (Qt's, which also dispatches GLib's main
// context) runs.
template <typename Done>
bool runUntil(Done done, int timeoutMs)
{
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(timeoutMs);
    QTimer poll; // GLib callbacks do not wake a Qt signal, so look again on every turn of the loop
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(20);
    if (!done())
        loop.exec();
    return done();
}

} // namespace

TEST(GioLinkOpener, OpensTheLinkWithTheSchemeHandler)
{
    TempDir tmp;
    const std::string data = (tmp.path() / "data").string();
    const std::string config = (tmp.path() / "config").string();
    const auto out = tmp.path() / "opened.txt";
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    tmp.write("data/applications/tarnwick-probe.desktop",
              "[Desktop Entry]\nType=Application\nName=Probe\nNoDisplay=true\n"
              "MimeType=x-scheme-handler/tarnwick;\n"
              "Exec=sh -c 'printf %s \"$1\" > " + out.string() + "' probe %u\n");
    tmp.write("config/mimeapps.list", "[Default Applications]\nx-scheme-handler/tarnwick=tarnwick-probe.desktop\n");

    RecordingLog log;
    GioLinkOpener opener(log);
    opener.open(QStringLiteral("tarnwick://thread/t-1?account=work"));
    ASSERT_TRUE(runUntil([&] { return tarnwick::testing::readFile(out) == "tarnwick://thread/t-1?account=work"; }, 20000))
        << "handler output: " << tarnwick::testing::readFile(out);
    EXPECT_TRUE(log.lines.empty());
}

TEST(GioLinkOpener, ASchemeWithoutHandlerIsLoggedAsAWarning)
{
    TempDir tmp;
    ::setenv("XDG_DATA_HOME", (tmp.path() / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (tmp.path() / "config").c_str(), 1);
    RecordingLog log;
    GioLinkOpener opener(log);
    opener.open(QStringLiteral("tarnwick-nohandler://inbox"));
    ASSERT_TRUE(runUntil([&] { return !log.lines.empty(); }, 20000));
    EXPECT_EQ(log.lines[0].rfind("warn|Failed to open tarnwick-nohandler://inbox: ", 0), 0u) << log.lines[0];
}
