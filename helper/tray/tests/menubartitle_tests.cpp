#include <gtest/gtest.h>

#include "tarnwick/helper/menubartitle.h"

using namespace tarnwick;
using Text = StyledTitle::Text;
using Image = StyledTitle::Image;
using Dot = StyledTitle::Dot;

namespace {

const std::string FS = MenuBarTitle::kFigureSpace;
constexpr double kCap = 9.0;
constexpr double kOffset = 1.5; // (9 − 6) × 0.5

Image spacer(double width)
{
    return {width, 6, kOffset, std::nullopt};
}
Image dot(const std::string& color, bool filled)
{
    return {6, 6, kOffset, Dot{color, filled, 6, 1}};
}

} // namespace

TEST(MenuBarTitle, NoAccountsGiveAnEmptyTitle)
{
    EXPECT_TRUE(MenuBarTitle::dots({}, kCap).empty());
    EXPECT_TRUE(MenuBarTitle::numbers({}, kCap).empty());
    EXPECT_EQ(MenuBarTitle::accessibilityDescription({}), "Tarnwick, no accounts");
}

TEST(MenuBarTitle, NumbersTakeTwoCellsAndFadeWhenQuiet)
{
    const std::vector<MenuBarAccount> accounts = {
        {"Quiet", "#111111", 0, false}, {"Seven", "#222222", 7, false}, {"Busy", "#333333", 123, false},
        {"Locked", "#444444", 9, true}, {"Odd", "#555555", -3, false},
    };
    const StyledTitle title = MenuBarTitle::numbers(accounts, kCap);
    const std::vector<StyledTitle::Segment> expected = {
        Text{FS + "0", "#111111", 0.35}, spacer(3), Text{FS + "7", "#222222", 1.0}, spacer(3),
        Text{"123", "#333333", 1.0},     spacer(3), Text{FS + "0", "#444444", 0.35}, spacer(3),
        Text{"-3", "#555555", 1.0},      spacer(3),
    };
    EXPECT_EQ(title.segments, expected);
    EXPECT_EQ(title.plainText(), FS + "0" + FS + "7123" + FS + "0-3");
}

TEST(MenuBarTitle, DotsAreFilledOnlyForUnreadMailThatNeedsNoSignIn)
{
    EXPECT_EQ(MenuBarTitle::dots({{"One", "#ff0000", 2, false}}, kCap).segments,
              (std::vector<StyledTitle::Segment>{spacer(3), dot("#ff0000", true)}))
        << "one account: the leading spacer and one dot, nothing after it";

    const StyledTitle title = MenuBarTitle::dots(
        {{"A", "#a", 1, false}, {"B", "#b", 0, false}, {"C", "#c", 5, true}, {"D", "#d", -1, false}}, kCap);
    EXPECT_EQ(title.segments, (std::vector<StyledTitle::Segment>{spacer(3), dot("#a", true), spacer(1.5),
                                                                  dot("#b", false), spacer(1.5), dot("#c", false),
                                                                  spacer(1.5), dot("#d", false)}));
    EXPECT_EQ(title.plainText(), "");
}

TEST(MenuBarTitle, ImagesAreCentredOnTheCapitals)
{
    for (double cap : {6.0, 8.6, 12.0}) {
        for (const auto& title : {MenuBarTitle::dots({{"A", "#a", 1, false}}, cap),
                                  MenuBarTitle::numbers({{"A", "#a", 1, false}}, cap)}) {
            for (const auto& segment : title.segments) {
                if (const auto* image = std::get_if<Image>(&segment)) {
                    EXPECT_DOUBLE_EQ(image->height, 6.0);
                    EXPECT_DOUBLE_EQ(image->baselineOffset, (cap - 6.0) * 0.5);
                }
            }
        }
    }
}

TEST(MenuBarTitle, DescriptionListsUnreadThenSignIn)
{
    const std::pair<std::vector<MenuBarAccount>, std::string> cases[] = {
        {{{"Work", "#a", 3, false}, {"Home", "#b", 0, false}, {"Old", "#c", 0, true}},
         "Tarnwick, Work 3 unread, Old needs sign-in"},
        {{{"Old", "#c", 4, true}, {"Work", "#a", 1, false}}, "Tarnwick, Work 1 unread, Old needs sign-in"},
        {{{"Home", "#b", 0, false}, {"Odd", "#d", -2, false}}, "Tarnwick, no unread mail"},
        {{{"A", "#a", 2, false}, {"B", "#b", 12, false}}, "Tarnwick, A 2 unread, B 12 unread"},
    };
    for (const auto& [accounts, description] : cases)
        EXPECT_EQ(MenuBarTitle::accessibilityDescription(accounts), description);
}
