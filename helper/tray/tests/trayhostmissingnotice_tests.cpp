// A desktop without any tray: the user is told after a grace period of absence, once a notification
// server is there, in words that fit the desktop; a tray that appears cancels or withdraws the notice.
// Time and the server's arrival are played by the test.
#include <gtest/gtest.h>

#include "helpertestsupport.h"
#include "tarnwick/helper/trayhostmissingnotice.h"
#include "tarnwick/notifications/fakenotificationcenter.h"
#include "tarnwick/testing/tempdir.h"

using namespace tarnwick;
using namespace std::chrono_literals;

namespace {

// Timers and the server's bus name, run by hand. A handle the notice dropped cancels its callback.
struct FakeSeams {
    struct Timer {
        std::chrono::milliseconds delay;
        std::function<void()> expired;
        std::weak_ptr<void> handle;
    };
    std::vector<Timer> timers;
    std::vector<std::pair<std::function<void()>, std::weak_ptr<void>>> watches;
    std::optional<TrayHostMissingNotice::ShellExtension> extension;

    TrayHostMissingNotice::Seams seams()
    {
        return {[this](std::chrono::milliseconds delay, std::function<void()> expired) {
                    auto handle = std::make_shared<int>(0);
                    timers.push_back({delay, std::move(expired), handle});
                    return std::shared_ptr<void>(handle);
                },
                [this](std::function<void()> appeared) {
                    auto handle = std::make_shared<int>(0);
                    watches.emplace_back(std::move(appeared), handle);
                    return std::shared_ptr<void>(handle);
                },
                [this] { return extension; }};
    }
    std::size_t runningTimers() const
    {
        return std::count_if(timers.begin(), timers.end(), [](const Timer& t) { return !t.handle.expired(); });
    }
    // The grace period runs out: every live timer fires.
    void elapse()
    {
        const auto now = timers;
        for (const Timer& t : now)
            if (!t.handle.expired())
                t.expired();
    }
    bool watching() const
    {
        return std::any_of(watches.begin(), watches.end(), [](const auto& w) { return !w.second.expired(); });
    }
    // A notification server takes the bus name.
    void serverAppears()
    {
        const auto now = watches;
        for (const auto& [appeared, handle] : now)
            if (!handle.expired())
                appeared();
    }
};

class TrayHostMissingNoticeTest : public ::testing::Test {
protected:
    test::LogCapture log;
    FakeNotificationCenter center;
    FakeSeams fakes;
    TrayHostMissingNotice notice{center, "XFCE", "x11", fakes.seams()};
};

} // namespace

// The helper often starts before the panel at log-in: a tray that comes within the grace period
// means no notice at all.
TEST_F(TrayHostMissingNoticeTest, NothingIsPostedWhenATrayComesWithinTheGracePeriod)
{
    notice.trayAbsent();
    notice.trayAbsent();
    ASSERT_EQ(fakes.timers.size(), 1u) << "a second report keeps the first countdown";
    EXPECT_GE(fakes.timers[0].delay, 30s);
    EXPECT_TRUE(notice.isCountingDown());
    EXPECT_TRUE(center.added.empty());

    notice.trayPresent();
    EXPECT_EQ(fakes.runningTimers(), 0u);
    fakes.elapse();
    EXPECT_TRUE(center.added.empty());
    EXPECT_TRUE(center.removals.empty()) << "nothing was out to withdraw";
    EXPECT_EQ(log.records(), (std::vector<std::string>{"I|Tray|No tray on this desktop yet; telling the user in 30 s "
                                                        "unless one appears",
                                                        "I|Tray|A tray appeared; the user need not be told"}));
}

TEST_F(TrayHostMissingNoticeTest, PostedWhenTheGracePeriodRunsOutWithdrawnWhenATrayComesAndAgainAfterANewPeriod)
{
    notice.trayAbsent();
    fakes.elapse();
    ASSERT_EQ(center.added.size(), 1u);
    EXPECT_EQ(center.added[0].identifier, "tarnwick-tray-host-missing");
    EXPECT_EQ(center.added[0].content.title, "Tarnwick has no tray icon on this desktop");
    EXPECT_FALSE(center.added[0].content.breaksThroughDoNotDisturb);
    EXPECT_TRUE(notice.isPosted());
    EXPECT_FALSE(fakes.watching()) << "posted: no need to watch for a server";
    EXPECT_TRUE(log.contains("I|Tray|Told the user that the desktop shows no tray"));

    notice.trayAbsent();
    fakes.elapse();
    EXPECT_EQ(center.added.size(), 1u) << "still absent: once is enough";

    notice.trayPresent();
    EXPECT_EQ(center.removals,
              (std::vector<std::string>{"delivered:tarnwick-tray-host-missing", "pending:tarnwick-tray-host-missing"}));
    EXPECT_TRUE(center.delivered.empty());
    EXPECT_FALSE(notice.isPosted());
    EXPECT_TRUE(log.contains("I|Tray|A tray appeared; withdrew the notice that the desktop shows no tray"));

    // The tray goes away for good later on (the user switched the extension off): a new period.
    notice.trayAbsent();
    EXPECT_EQ(center.added.size(), 1u);
    fakes.elapse();
    EXPECT_EQ(center.added.size(), 2u);
}

// No notification server yet (it starts after the helper, or not at all): posted when one takes the
// bus name, without polling.
TEST_F(TrayHostMissingNoticeTest, WithoutANotificationServerItIsPostedWhenOneAppears)
{
    center.addError = "The name org.freedesktop.Notifications was not provided by any .service files";
    notice.trayAbsent();
    fakes.elapse();
    EXPECT_EQ(center.added.size(), 1u);
    EXPECT_TRUE(log.contains("W|Tray|Could not tell the user that the desktop shows no tray: The name "
                             "org.freedesktop.Notifications was not provided by any .service files; trying again when "
                             "a notification server appears"))
        << ::testing::PrintToString(log.records());
    EXPECT_TRUE(fakes.watching());
    EXPECT_EQ(fakes.runningTimers(), 0u) << "no polling";

    fakes.serverAppears();
    EXPECT_EQ(center.added.size(), 2u) << "tried again, failed again: the server went at once";
    center.addError.reset();
    fakes.serverAppears();
    ASSERT_EQ(center.added.size(), 3u);
    EXPECT_TRUE(log.contains("I|Tray|A notification server appeared; telling the user that the desktop shows no tray"));
    EXPECT_TRUE(log.contains("I|Tray|Told the user that the desktop shows no tray"));
    EXPECT_FALSE(fakes.watching());
    fakes.serverAppears();
    EXPECT_EQ(center.added.size(), 3u);

    // Waiting for a server again when a tray comes: the wait ends with nothing posted.
    notice.trayPresent();
    notice.trayAbsent();
    center.addError = "no server";
    fakes.elapse();
    notice.trayPresent();
    EXPECT_FALSE(fakes.watching());
    center.addError.reset();
    fakes.serverAppears();
    EXPECT_EQ(center.added.size(), 4u);
    EXPECT_FALSE(notice.isPosted());
}

// What the user is told depends on the desktop: GNOME needs an extension, other desktops a tray in
// their panel.
TEST(TrayHostMissingNoticeText, FitsTheDesktop)
{
    const TrayHostMissingNotice::ShellExtension debian{"ubuntu-appindicators@ubuntu.com", "Ubuntu AppIndicators"};
    const TrayHostMissingNotice::ShellExtension upstream{"appindicatorsupport@rgcjonas.gmail.com",
                                                         "AppIndicator and KStatusNotifierItem Support"};
    struct Case {
        const char* name;
        const char* desktop;
        const char* session;
        std::optional<TrayHostMissingNotice::ShellExtension> installed;
        std::vector<std::string> says;
        std::vector<std::string> never;
    };
    const std::vector<Case> cases = {
        {"empty", "", "", std::nullopt, {"needs a system tray", "Tarnwick keeps running meanwhile"}, {"GNOME", "extension"}},
        {"junk", ":::", "tty", debian, {"needs a system tray"}, {"GNOME", "gnome-extensions"}},
        {"GNOME on Wayland, installed",
         "GNOME",
         "wayland",
         debian,
         {"\xE2\x80\x9CUbuntu AppIndicators\xE2\x80\x9D (AppIndicator and KStatusNotifierItem Support) is installed",
          "Extensions app", "\ngnome-extensions enable ubuntu-appindicators@ubuntu.com\n", "log out and back in"},
         {"needs a system tray"}},
        {"Ubuntu's GNOME on X11, installed from extensions.gnome.org",
         "ubuntu:GNOME",
         "x11",
         upstream,
         {"\xE2\x80\x9C" "AppIndicator and KStatusNotifierItem Support\xE2\x80\x9D is installed",
          "gnome-extensions enable appindicatorsupport@rgcjonas.gmail.com"},
         {"log out", "Support) is"}},
        {"GNOME Classic, not installed",
         "GNOME-Classic:GNOME",
         "wayland",
         std::nullopt,
         {"\xE2\x80\x9C" "AppIndicator and KStatusNotifierItem Support\xE2\x80\x9D", "gnome-shell-extension-appindicator",
          "Extensions app", "log out and back in after installing it"},
         {"gnome-extensions enable"}},
        {"Budgie names GNOME but has its own tray", "Budgie:GNOME", "x11", debian, {"needs a system tray"}, {"extension"}},
        {"Xfce", "XFCE", "x11", debian, {"\xE2\x80\x9CStatus Tray Plugin\xE2\x80\x9D", "Add New Items"}, {"GNOME"}},
        {"MATE", "MATE", "x11", std::nullopt, {"\xE2\x80\x9CNotification Area\xE2\x80\x9D"}, {"GNOME"}},
        {"Cinnamon", "X-Cinnamon", "x11", std::nullopt, {"\xE2\x80\x9CXApp Status\xE2\x80\x9D"}, {"GNOME"}},
        {"LXQt", "LXQt", "x11", std::nullopt, {"\xE2\x80\x9CStatus Notifier\xE2\x80\x9D"}, {"GNOME"}},
        {"Plasma", "KDE", "wayland", std::nullopt, {"\xE2\x80\x9CSystem Tray\xE2\x80\x9D"}, {"GNOME", "log out"}},
    };
    for (const Case& c : cases) {
        const std::string body = TrayHostMissingNotice::body(c.desktop, c.session, c.installed);
        for (const auto& text : c.says)
            EXPECT_NE(body.find(text), std::string::npos) << c.name << " lacks \"" << text << "\" in:\n" << body;
        for (const auto& text : c.never)
            EXPECT_EQ(body.find(text), std::string::npos) << c.name << " says \"" << text << "\" in:\n" << body;
        EXPECT_EQ(body.find("  "), std::string::npos) << c.name << ":\n" << body;
        EXPECT_EQ(body.find("\n "), std::string::npos) << c.name << ":\n" << body;
    }
}

TEST(TrayHostMissingNoticeText, FindsTheInstalledExtensionAndItsName)
{
    tarnwick::testing::TempDir user, system, other;
    EXPECT_EQ(TrayHostMissingNotice::findAppIndicatorExtension({}), std::nullopt);
    EXPECT_EQ(TrayHostMissingNotice::findAppIndicatorExtension({user.path(), system.path() / "missing"}), std::nullopt);

    system.write("ubuntu-appindicators@ubuntu.com/metadata.json",
                 R"({"uuid": "ubuntu-appindicators@ubuntu.com", "name": "Ubuntu AppIndicators"})");
    other.write("appindicatorsupport@rgcjonas.gmail.com/metadata.json", "not json");
    using Extension = TrayHostMissingNotice::ShellExtension;
    EXPECT_EQ(TrayHostMissingNotice::findAppIndicatorExtension({user.path(), system.path()}),
              (Extension{"ubuntu-appindicators@ubuntu.com", "Ubuntu AppIndicators"}));
    EXPECT_EQ(TrayHostMissingNotice::findAppIndicatorExtension({other.path(), system.path()}),
              (Extension{"appindicatorsupport@rgcjonas.gmail.com", "appindicatorsupport@rgcjonas.gmail.com"}))
        << "the user's own copy comes first; without a readable name, its id";
}
