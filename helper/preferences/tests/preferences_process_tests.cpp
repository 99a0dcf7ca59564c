// The preferences window through the real helper: settings.show opens it on the asked pane, later
// requests bring the same window forward, and values the main application sends while it is open are
// never sent back.

#include <gtest/gtest.h>

#include "tarnwick/testing/subprocess.h"

using namespace tarnwick::testing;

namespace {

class PreferencesHelper : public Subprocess {
public:
    PreferencesHelper()
        : Subprocess(builtProgram("helper/tarnwick-helper"), {}, options())
    {
    }

    /// Writes one request and returns the next line that is not an event (its response).
    std::optional<std::string> request(const std::string& line)
    {
        write(line + "\n");
        return readLineUntil([](const std::string& l) { return l.rfind("{\"method\":", 0) != 0; });
    }

private:
    static Options options()
    {
        Options o;
        // No session bus: Focus filter announcements of tests running alongside stay out of this helper.
        o.setEnv.try_emplace("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tarnwick-test-no-bus");
        o.setEnv.try_emplace("QT_QPA_PLATFORM", "offscreen");
        return o;
    }
};

} // namespace

TEST(PreferencesProcess, ShowsThePaneAskedForAndNeverEchoesTheMainApplicationsValues)
{
    PreferencesHelper helper;
    helper.write(R"({"id":1,"method":"settings.show","params":{"pane":"Accounts",)"
                 R"("settings":{"theme":"dark","dockBadgeMode":"newArrivals","notifications":{"social":"off"}},)"
                 R"("accounts":[{"id":"a","name":"Work","color":"#3b82f6"},{"id":"b","name":"Home","needsAuth":true}],)"
                 R"("browsers":[{"id":"chrome","name":"Chrome","bundleId":"com.google.Chrome","isChromium":true}],)"
                 R"("defaultBrowser":{"id":"chrome","name":"Chrome"},"appVersion":"1.2.3"}})"
                 "\n");
    EXPECT_EQ(helper.readLineUntil([](const std::string& l) { return l.rfind("{\"id\":1", 0) == 0; }),
              R"({"id":1,"result":"ok"})");
    EXPECT_TRUE(helper.waitForStderr("I|Settings|Showing settings window, pane=Accounts"));
    // The request's pane reached the window (which tab that selects: settingswindow_tests).
    EXPECT_TRUE(helper.waitForStderr("I|Settings|Switched settings pane to Accounts"));

    // While the window is open with every control bound, values from the main application arrive.
    EXPECT_EQ(helper.request(R"({"id":2,"method":"settings.update","params":{"settings":{"theme":"light",)"
                             R"("menuBarVerificationCodes":false,"pollIntervalSeconds":900,"launchAtLogin":true,)"
                             R"("notifications":{"primary":"badge","forums":"loud"}}}})"),
              R"({"id":2,"result":"ok"})");
    EXPECT_EQ(helper.request(R"({"id":3,"method":"accounts.update","params":{"accounts":)"
                             R"([{"id":"b","name":"Home"},{"id":"a","name":"Office","color":"#ef4444"}]}})"),
              R"({"id":3,"result":"ok"})");

    // A second request brings the same window forward on another pane; an unknown pane changes nothing.
    EXPECT_EQ(helper.request(R"({"id":4,"method":"settings.show","params":{"pane":"billing"}})"),
              R"({"id":4,"result":"ok"})");
    EXPECT_TRUE(helper.waitForStderr("I|Settings|Switched settings pane to an unknown pane"));
    EXPECT_EQ(helper.request(R"({"id":5,"method":"settings.show","params":{"pane":"general"}})"),
              R"({"id":5,"result":"ok"})");
    EXPECT_TRUE(helper.waitForStderr("I|Settings|Switched settings pane to general"));

    helper.closeStdin();
    EXPECT_EQ(helper.wait(), 0);
    std::string everything = helper.remainingStdout();
    for (const std::string& line : helper.skipped())
        everything += line + "\n";
    EXPECT_EQ(everything.find("settings.changed"), std::string::npos) << everything;
    EXPECT_EQ(everything.find("account."), std::string::npos) << everything;
    EXPECT_EQ(helper.stderrText().find("Settings window closed"), std::string::npos)
        << "one window throughout: it was never replaced";
}
