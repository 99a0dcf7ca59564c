// The helper driven through its real interface: a child process with pipes on stdin, stdout and
// stderr, exactly as the main application runs it.

#include <gtest/gtest.h>

#include <csignal>

#include "tarnwick/rpc/json.h"
#include "tarnwick/rpc/protocol.h"
#include "tarnwick/testing/subprocess.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

const std::string kClearedFilterEvent =
    R"({"method":"focusFilter.changed","params":{"activeAccountIds":[],"disableExcludedAccounts":false,"isFilterActive":false}})";

// Tests running alongside post Focus filter announcements on the shared session bus; a helper that
// saw them would reload and report, adding lines these tests do not expect. These helpers get no bus.
Subprocess::Options withoutSessionBus(Subprocess::Options options)
{
    options.setEnv.try_emplace("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tarnwick-test-no-bus");
    return options;
}

class Helper : public Subprocess {
public:
    explicit Helper(Options options = {})
        : Subprocess(builtProgram("helper/tarnwick-helper"), {}, withoutSessionBus(std::move(options)))
    {
    }
    // Skips the start-up report of the Focus filter state.
    void expectStartupEvent() { EXPECT_EQ(readLine(), kClearedFilterEvent); }
};

std::vector<std::string> stderrLines(Helper& helper)
{
    std::vector<std::string> lines;
    std::string_view all = helper.stderrText();
    while (!all.empty()) {
        const auto nl = all.find('\n');
        lines.emplace_back(all.substr(0, nl));
        all.remove_prefix(nl == std::string_view::npos ? all.size() : nl + 1);
    }
    return lines;
}

} // namespace

TEST(HelperProcess, AnswersTheWireExamples)
{
    Helper helper;
    helper.expectStartupEvent();
    helper.write("{\"id\":12,\"method\":\"tray.create\"}\n");
    EXPECT_EQ(helper.readLine(), R"({"id":12,"result":"ok"})");
    helper.write("{\"method\":\"tray.bogus\"}\n{\"id\":13,\"method\":\"tray.bogus\"}\n");
    EXPECT_EQ(helper.readLine(), R"({"error":"Unknown method: tray.bogus","id":13})")
        << "the request without an id got nothing";
    helper.write("{\"id\":14,\"method\":\"focusFilter.get\"}\n");
    EXPECT_EQ(helper.readLine(),
              R"({"id":14,"result":{"activeAccountIds":[],"disableExcludedAccounts":false,"isFilterActive":false}})");
    helper.closeStdin();
    EXPECT_EQ(helper.wait(), 0);
    EXPECT_EQ(helper.remainingStdout(), "") << "end of input ends the helper without an event";

    const auto lines = stderrLines(helper);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front(), "I|Lifecycle|TarnwickHelper started");
    EXPECT_EQ(lines.back(), "I|RPC|stdin closed \xE2\x80\x94 exiting helper process");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "W|RPC|Unknown method: tray.bogus"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "I|Tray|Creating menu bar tray"), lines.end());
}

TEST(HelperProcess, FramesRequestsOnLineFeedsOnly)
{
    Helper helper;
    helper.expectStartupEvent();
    // Two requests in one write, then a request whose second half only arrives once the first
    // response proves the helper has already read the first half.
    helper.write("{\"id\":1,\"method\":\"tray.destroy\"}\n{\"id\":2,\"method\":\"tray.destroy\"}\n{\"id\":3,\"me");
    EXPECT_EQ(helper.readLine(), R"({"id":1,"result":"ok"})");
    EXPECT_EQ(helper.readLine(), R"({"id":2,"result":"ok"})");
    helper.write("thod\":\"tray.destroy\"}\r\n\n\nnot json\n{\"id\":4,\"method\":\"notify.clearAll\"}\n{\"id\":9,");
    EXPECT_EQ(helper.readLine(), R"({"id":3,"result":"ok"})") << "CR before LF is JSON whitespace";
    EXPECT_EQ(helper.readLine(), R"({"id":4,"result":"ok"})") << "a bad line does not stop reading";
    helper.closeStdin();
    EXPECT_EQ(helper.wait(), 0) << "a half line at end of input is dropped and the exit is clean";
    EXPECT_EQ(helper.remainingStdout(), "");

    const auto lines = stderrLines(helper);
    const auto count = [&](std::string_view needle) { return std::count(lines.begin(), lines.end(), needle); };
    EXPECT_EQ(count("W|RPC|Failed to decode RPC request from stdin"), 1) << "blank lines log nothing";
    EXPECT_EQ(count("I|RPC|Dispatching request: tray.destroy"), 3);
}

TEST(HelperProcess, SaysGoodbyeLastWhenAskedToTerminate)
{
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        Helper helper;
        helper.expectStartupEvent();
        helper.write("{\"id\":1,\"method\":\"tray.create\"}\n");
        EXPECT_EQ(helper.readLine(), R"({"id":1,"result":"ok"})");
        helper.sendSignal(sig);
        EXPECT_EQ(helper.readLine(), R"({"method":"app.quit"})") << strsignal(sig);
        EXPECT_EQ(helper.wait(), 0) << strsignal(sig);
        EXPECT_EQ(helper.remainingStdout(), "") << "app.quit is the last line";
    }
}

TEST(HelperProcess, AnswersABurstOnceEachInOrder)
{
    constexpr int kRequests = 100'000;
    std::string burst;
    for (int i = 0; i < kRequests; ++i)
        burst += "{\"id\":" + std::to_string(i) + ",\"method\":\"" + (i % 2 ? "tray.update" : "notify.clearAll") +
                 "\",\"params\":{}}\n";
    Helper helper;
    helper.expectStartupEvent();
    helper.write(burst);
    helper.closeStdin();
    int expected = 0;
    while (auto line = helper.readLine()) {
        ASSERT_EQ(*line, "{\"id\":" + std::to_string(expected) + ",\"result\":\"ok\"}");
        ++expected;
    }
    EXPECT_EQ(expected, kRequests);
    EXPECT_EQ(helper.wait(), 0);
}

TEST(HelperProcess, HandlesOneHugeRequestLine)
{
    const std::string blob(64 << 20, 'x');
    Helper helper;
    helper.expectStartupEvent();
    helper.write("{\"id\":77,\"method\":\"tray.update\",\"params\":{\"blob\":\"" + blob + "\"}}\n");
    EXPECT_EQ(helper.readLine(std::chrono::seconds(120)), R"({"id":77,"result":"ok"})");
    helper.closeStdin();
    EXPECT_EQ(helper.wait(), 0);
}

TEST(HelperProcess, KeepsStandardOutputForProtocolLinesOnly)
{
    // Every Qt debug category switched on makes Qt talk; none of it may reach standard output.
    Helper helper({{{"QT_LOGGING_RULES", "*.debug=true"}}, {}, {}});
    helper.write("{\"id\":1,\"method\":\"settings.show\",\"params\":{\"pane\":\"general\"}}\n"
                 "{\"id\":2,\"method\":\"notify.setup\"}\n{\"id\":3,\"method\":\"tray.create\"}\n");
    helper.closeStdin();
    EXPECT_EQ(helper.wait(), 0);
    int lines = 0;
    std::string out = helper.remainingStdout();
    std::string_view rest(out);
    while (!rest.empty()) {
        const auto nl = rest.find('\n');
        ASSERT_NE(nl, std::string_view::npos) << "every output line ends with a line feed";
        auto value = json::parse(rest.substr(0, nl));
        ASSERT_TRUE(value) << rest.substr(0, nl);
        EXPECT_TRUE(RPCResponse::decode(*value) || RPCEvent::decode(*value)) << rest.substr(0, nl);
        rest.remove_prefix(nl + 1);
        ++lines;
    }
    EXPECT_EQ(lines, 4) << "three responses and the start-up event";
    EXPECT_NE(helper.stderrText().find("I|Settings|Showing settings window, pane=general"), std::string::npos);
}
