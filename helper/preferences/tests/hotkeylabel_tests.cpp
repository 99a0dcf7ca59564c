// Hotkey labels: every stored value the General tab offers, and what is not a hotkey at all.

#include <gtest/gtest.h>

#include "tarnwick/helper/hotkeylabel.h"

using namespace tarnwick;

TEST(HotkeyLabel, ShowsDesktopModifierNamesInDesktopOrder)
{
    const struct {
        const char* stored;
        const char* shown;
    } rows[] = {
        {"", ""},
        {"off", "off"},
        {"+", "+"},
        {"Alt+", "Alt+"},
        {"Hyper+C", "Hyper+C"},
        {"Alt+Command+C", "Alt+Super+C"},
        {"Control+Command+C", "Ctrl+Super+C"},
        {"Shift+Command+C", "Shift+Super+C"},
        {"Control+Alt+Command+C", "Ctrl+Alt+Super+C"},
        {"Command+Shift+Alt+Control+K", "Ctrl+Alt+Shift+Super+K"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(HotkeyLabel::text(row.stored), row.shown) << '"' << row.stored << '"';
}
