// Cutting a text for the bus: short texts pass unchanged, long ones end in "…" within the bound and
// are never cut inside what the user sees as one character.

#include <QString>
#include <gtest/gtest.h>

#include "tarnwick/platform/boundedtext.h"

using tarnwick::boundedText;

TEST(BoundedText, CutsLongTextsWithinTheBoundBetweenCharacters)
{
    EXPECT_EQ(boundedText(QStringLiteral("Lunch?"), 6), QStringLiteral("Lunch?"));
    EXPECT_EQ(boundedText(QStringLiteral("Lunch on Friday"), 6), QStringLiteral("Lunch…"));
    EXPECT_EQ(boundedText(QString(12 << 20, QLatin1Char('x')), 512).size(), 512);

    // An emoji is a surrogate pair, a flag two of them, "é" a letter and a combining accent: a cut
    // that would split one keeps it out whole.
    const QString emoji = QStringLiteral("ab\U0001F600cd");
    EXPECT_EQ(boundedText(emoji, 4), QStringLiteral("ab…"));
    EXPECT_EQ(boundedText(emoji, 5), QStringLiteral("ab\U0001F600…"));
    const QString flag = QStringLiteral("a\U0001F1EB\U0001F1F7b");
    EXPECT_EQ(boundedText(flag, 4), QStringLiteral("a…"));
    const QString accent = QStringLiteral("ce\u0301cd");
    EXPECT_EQ(boundedText(accent, 3), QStringLiteral("c…"));
    EXPECT_EQ(boundedText(QStringLiteral("abc"), 0), QString());
}
