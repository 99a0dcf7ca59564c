// Which appearance a `theme` preference gives against the desktop's scheme and the platform palette.
#include <gtest/gtest.h>

#include "tarnwick/ui/themechoice.h"

using namespace tarnwick;

namespace {

struct Row {
    const char* theme;
    ColorScheme desktop;
    Appearance platform;
    Appearance expected;
};

const Row kRows[] = {
    // Empty and unknown values count as "system".
    {"", ColorScheme::dark, Appearance::light, Appearance::dark},
    {"", ColorScheme::noPreference, Appearance::dark, Appearance::dark},
    {"Dark", ColorScheme::noPreference, Appearance::light, Appearance::light},
    {"sepia", ColorScheme::light, Appearance::dark, Appearance::light},
    // Forced appearances ignore the desktop and the platform.
    {"light", ColorScheme::dark, Appearance::dark, Appearance::light},
    {"light", ColorScheme::noPreference, Appearance::dark, Appearance::light},
    {"dark", ColorScheme::light, Appearance::light, Appearance::dark},
    {"dark", ColorScheme::noPreference, Appearance::light, Appearance::dark},
    // "system": the desktop's stated preference wins over the platform palette ...
    {"system", ColorScheme::dark, Appearance::light, Appearance::dark},
    {"system", ColorScheme::light, Appearance::dark, Appearance::light},
    // ... and without one the platform palette's own appearance stands.
    {"system", ColorScheme::noPreference, Appearance::dark, Appearance::dark},
    {"system", ColorScheme::noPreference, Appearance::light, Appearance::light},
};

} // namespace

TEST(ThemeChoice, ResolvesEveryCombination)
{
    for (const Row& row : kRows)
        EXPECT_EQ(ThemeChoice::resolve(row.theme, row.desktop, row.platform), row.expected)
            << "theme \"" << row.theme << "\" desktop " << static_cast<int>(row.desktop) << " platform "
            << static_cast<int>(row.platform);
}
