// A desktop without any tray: the user is told once how to get one, and a notice that cannot be
// shown is logged, not retried.
#include <gtest/gtest.h>

#include "helpertestsupport.h"
#include "tarnwick/helper/trayhostmissingnotice.h"
#include "tarnwick/notifications/fakenotificationcenter.h"

using namespace tarnwick;

TEST(TrayHostMissingNotice, PostsOnceWithHowToGetATray)
{
    test::LogCapture log;
    FakeNotificationCenter center;
    TrayHostMissingNotice notice(center);
    notice.show();
    notice.show();
    ASSERT_EQ(center.added.size(), 1u);
    EXPECT_EQ(center.added[0].identifier, TrayHostMissingNotice::kIdentifier);
    EXPECT_EQ(center.added[0].content.title, "Tarnwick has no tray icon on this desktop");
    EXPECT_NE(center.added[0].content.body.find("gnome-shell-extension-appindicator"), std::string::npos);
    EXPECT_TRUE(log.contains("I|Tray|Told the user that the desktop shows no tray"));
}

TEST(TrayHostMissingNotice, AFailedNoticeIsLoggedAndNotRepeated)
{
    test::LogCapture log;
    FakeNotificationCenter center;
    center.addError = "no notification server";
    TrayHostMissingNotice notice(center);
    notice.show();
    notice.show();
    EXPECT_EQ(center.added.size(), 1u);
    EXPECT_TRUE(log.contains("W|Tray|Could not tell the user that the desktop shows no tray: no notification server"))
        << ::testing::PrintToString(log.records());
}
