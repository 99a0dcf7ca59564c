// The account switcher: segment texts, images, tooltips, enabled states, selection and the
// "switchAccount" action, on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QToolButton>
#include <QTest>

#include "tarnwick/native/accountsegmentedcontrol.h"
#include "tarnwick/native/actionbridge.h"

using namespace tarnwick::native;

namespace {

std::vector<std::pair<std::string, std::string>> g_actions;
void record(const char* a, const char* p)
{
    g_actions.emplace_back(a, p);
}

ToolbarAccount account(std::string id, std::string name, std::int64_t unread = 0)
{
    ToolbarAccount a;
    a.id = std::move(id);
    a.name = std::move(name);
    a.unreadCount = unread;
    return a;
}

const ToolbarLabels kLabels({{"toolbar.account.unknown", "Unknown"},
                             {"toolbar.account.noUnread", "{name}: no unread{shortcut}"},
                             {"toolbar.account.oneUnread", "{name}: 1 unread{shortcut}"},
                             {"toolbar.account.unread", "{name}: {count} unread{shortcut}"},
                             {"toolbar.account.signInRequired", "{name} must sign in{shortcut}"},
                             {"toolbar.signInRequired", "Sign-in required"}});

QColor pixel(const QImage& image, double xPoints, double yPoints)
{
    const qreal r = image.devicePixelRatio();
    return image.pixelColor(static_cast<int>(xPoints * r), static_cast<int>(yPoints * r));
}

} // namespace

TEST(AccountSwitcherText, SegmentLabelsShowCappedCountsUnlessSignInIsNeeded)
{
    struct Row {
        const char* name;
        std::int64_t unread;
        bool needsAuth;
        bool showUnread;
        std::string expected;
    } rows[] = {
        {"Work", 0, false, true, "Work"},
        {"Work", -3, false, true, "Work"},
        {"Work", 1, false, true, "Work (1)"},
        {"Work", 99, false, true, "Work (99)"},
        {"Work", 100, false, true, "Work (99+)"},
        {"Work", 150, false, true, "Work (99+)"},
        {"Work", 5, true, true, "Work"},
        {"Work", 5, false, false, "Work"},
    };
    for (const Row& row : rows) {
        ToolbarAccount a = account("x", row.name, row.unread);
        a.needsAuth = row.needsAuth;
        EXPECT_EQ(AccountSegmentedControl::segmentText(a, a.name, row.showUnread), row.expected)
            << row.unread << " " << row.needsAuth << " " << row.showUnread;
    }
    EXPECT_EQ(AccountSegmentedControl::displayName(account("x", ""), kLabels), "Unknown");
    EXPECT_EQ(AccountSegmentedControl::displayName(account("x", ""), ToolbarLabels()), "") << "no fallback text";
}

TEST(AccountSwitcherText, TooltipsPickTheirLabelAndShortcut)
{
    ToolbarAccount auth = account("a", "Home", 5);
    auth.needsAuth = true;
    struct Row {
        ToolbarAccount account;
        int index;
        bool showUnread;
        std::string expected;
    } rows[] = {
        {account("w", "Work", 150), 1, true, "Work: 150 unread (Ctrl+2)"},
        {account("w", "Work", 0), 0, true, "Work: no unread (Ctrl+1)"},
        {account("w", "Work", 1), 8, true, "Work: 1 unread (Ctrl+9)"},
        {account("w", "Work", 2), 9, true, "Work: 2 unread"},
        {account("w", "Work", -1), 2, true, "Work: -1 unread (Ctrl+3)"},
        {auth, 0, true, "Home must sign in (Ctrl+1)"},
        {account("w", "Work", 7), 0, false, "Work (Ctrl+1)"},
        {account("w", "Work", 7), 12, false, "Work"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(AccountSegmentedControl::toolTip(row.account, row.account.name, row.index, row.showUnread, kLabels),
                  row.expected)
            << row.expected;
}

TEST(AccountSwitcherImages, DotsAreDiscsOrRingsInTheAccountColour)
{
    for (const qreal ratio : {1.0, 2.0}) {
        const QImage filled = AccountSegmentedControl::dot("#ff0000", true, false, ratio);
        EXPECT_EQ(filled.size(), QSize(9, 9) * ratio);
        EXPECT_EQ(filled.devicePixelRatio(), ratio);
        EXPECT_EQ(pixel(filled, 4.5, 4.5), QColor(255, 0, 0)) << "the centre of a disc is filled";
        EXPECT_EQ(pixel(filled, 0, 0).alpha(), 0) << "corners stay clear";

        const QImage ring = AccountSegmentedControl::dot("#ff0000", false, false, ratio);
        EXPECT_EQ(pixel(ring, 4.5, 4.5).alpha(), 0) << "a ring is hollow";
        EXPECT_GT(pixel(ring, 4.5, 0.6).alpha(), 200) << "its 1.5-point stroke, centred 0.75 points in, spans the outer edge";
        EXPECT_EQ(pixel(ring, 4.5, 0.6).red(), 255);
        EXPECT_EQ(pixel(ring, 4.5, 2.5).alpha(), 0) << "and ends 1.5 points in";

        const QImage dimmed = AccountSegmentedControl::dot("#ff0000", true, true, ratio);
        EXPECT_NEAR(pixel(dimmed, 4.5, 4.5).alphaF(), 0.35, 0.01);
    }
    EXPECT_EQ(pixel(AccountSegmentedControl::dot("not hex", true, false), 4.5, 4.5), QColor(Qt::black));

    const QImage warning = AccountSegmentedControl::warningSign();
    ASSERT_FALSE(warning.isNull());
    bool orange = false;
    for (int y = 0; y < warning.height(); ++y)
        for (int x = 0; x < warning.width(); ++x) {
            const QColor c = warning.pixelColor(x, y);
            orange = orange || (c.alpha() > 200 && c.red() > 200 && c.green() > 100 && c.green() < 180 && c.blue() < 60);
        }
    EXPECT_TRUE(orange) << "the warning sign is orange";
}

TEST(AccountSwitcherControl, ConfigureBuildsOneSegmentPerAccount)
{
    AccountSegmentedControl control;
    control.setLabels(kLabels);
    ToolbarAccount auth = account("c", "Club", 5);
    auth.needsAuth = true;
    ToolbarAccount blocked = account("d", "", 0);
    blocked.disabledByFocus = true;
    blocked.excludedByFocus = true;
    blocked.color = "#00ff00";
    control.configure({account("a", "Home", 3), account("b", "Work", 150), auth, blocked}, "b");

    ASSERT_EQ(control.segmentCount(), 4);
    EXPECT_EQ(control.accountIds(), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(control.segmentLabel(0), "Home (3)");
    EXPECT_EQ(control.segmentLabel(1), "Work (99+)");
    EXPECT_EQ(control.segmentLabel(2), "Club");
    EXPECT_EQ(control.segmentLabel(3), "Unknown");
    EXPECT_EQ(control.segmentToolTip(1), QString::fromUtf8("Work: 150 unread (Ctrl+2)"));
    EXPECT_EQ(control.segmentToolTip(2), QString::fromUtf8("Club must sign in (Ctrl+3)"));
    EXPECT_EQ(control.segmentImage(2), AccountSegmentedControl::warningSign(control.devicePixelRatioF()));
    EXPECT_EQ(control.segmentImage(3), AccountSegmentedControl::dot("#00ff00", false, true, control.devicePixelRatioF()))
        << "no unread: a ring; excluded: dimmed";
    EXPECT_EQ(control.segmentImage(0), AccountSegmentedControl::dot("#a855f7", true, false, control.devicePixelRatioF()));
    EXPECT_TRUE(control.isSegmentEnabled(2));
    EXPECT_FALSE(control.isSegmentEnabled(3));
    EXPECT_EQ(control.selectedSegment(), 1);
    EXPECT_EQ(control.segmentButton(0)->iconSize(), QSize(9, 9)) << "images are not scaled";

    QToolButton* firstButton = control.segmentButton(0);
    control.configure({account("a", "Home"), account("b", "Work")}, "nobody");
    EXPECT_EQ(control.segmentCount(), 2);
    EXPECT_EQ(control.selectedSegment(), 1) << "an unknown active id keeps the selected index";
    EXPECT_EQ(control.segmentButton(0), firstButton) << "segments are reused";
    EXPECT_EQ(control.segmentLabel(0), "Home");

    // A reused segment takes every attribute of its new account.
    control.configure({account("a", "Home"), auth, blocked}, "a");
    control.configure({blocked, account("b", "Work", 1), account("c", "Club")}, "c");
    EXPECT_EQ(control.segmentCount(), 3);
    EXPECT_FALSE(control.isSegmentEnabled(0));
    EXPECT_TRUE(control.isSegmentEnabled(2));
    EXPECT_EQ(control.segmentLabel(1), "Work (1)");
    EXPECT_TRUE(control.segmentButton(1)->accessibleDescription().isEmpty()) << "no sign-in text left over";
    EXPECT_EQ(control.segmentImage(1), AccountSegmentedControl::dot("#a855f7", true, false, control.devicePixelRatioF()));
    EXPECT_EQ(control.selectedSegment(), 2);
    EXPECT_EQ(control.accountIds(), (std::vector<std::string>{"d", "b", "c"}));
}

TEST(AccountSwitcherControl, ChoosingASegmentRaisesSwitchAccountWithItsId)
{
    g_actions.clear();
    ActionBridge::setCallback(record);
    AccountSegmentedControl control;
    control.configure({account("id-1", "Home"), account("id-2", "Work"), account("id-3", "Club")}, "id-1");
    control.show();
    QTest::mouseClick(control.segmentButton(2), Qt::LeftButton);
    EXPECT_EQ(g_actions, (std::vector<std::pair<std::string, std::string>>{{"switchAccount", "id-3"}}));
    EXPECT_EQ(control.selectedSegment(), 2);

    control.configure({account("x", "Home"), account("y", "Work")}, "x");
    control.segmentButton(1)->setEnabled(false);
    QTest::mouseClick(control.segmentButton(1), Qt::LeftButton);
    EXPECT_EQ(g_actions.size(), 1u) << "a disabled segment cannot be chosen";
    ActionBridge::setCallback(nullptr);
}
