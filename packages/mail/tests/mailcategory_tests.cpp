#include <gtest/gtest.h>

#include <cctype>
#include <clocale>

#include "tarnwick/mail/mailcategory.h"
#include "tarnwick/rpc/asciicase.h"

using namespace tarnwick;

TEST(MailCategory, LenientLookupFallsBackToPrimary)
{
    const std::string social = "Social", shouting = "FORUMS", nothing = "", bogus = "newsletters";
    EXPECT_EQ(mailcategory::from(&social), MailCategory::social);
    EXPECT_EQ(mailcategory::from(&shouting), MailCategory::forums);
    EXPECT_EQ(mailcategory::from(&nothing), MailCategory::primary);
    EXPECT_EQ(mailcategory::from(&bogus), MailCategory::primary);
    EXPECT_EQ(mailcategory::from(static_cast<const std::string*>(nullptr)), MailCategory::primary);
    EXPECT_FALSE(mailcategory::fromRawValue("Social")) << "raw values match exactly";
}

TEST(MailCategory, DisplayOrderTitlesAndSymbols)
{
    std::string joined;
    for (MailCategory c : mailcategory::allCases)
        joined += std::string(mailcategory::rawValue(c)) + ":" + std::string(mailcategory::title(c)) + ":" +
                  std::string(mailcategory::symbolName(c)) + " ";
    EXPECT_EQ(joined, "primary:Primary:tray social:Social:person.2 promotions:Promotions:tag "
                      "updates:Updates:info.circle forums:Forums:bubble.left.and.bubble.right ");
}

TEST(MailCategory, MatchingIgnoresTheLocaleCasingRules)
{
    // Under Turkish rules the C library lower-cases "I" to something other than "i"; the protocol's
    // words must match regardless. scripts/setup.sh generates the locale.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    ASSERT_NE(std::setlocale(LC_ALL, "tr_TR.UTF-8"), nullptr) << "tr_TR.UTF-8 is not generated (scripts/setup.sh)";
    EXPECT_NE(std::tolower('I'), 'i') << "the Turkish casing rules are in force";

    for (const char* raw : {"SOCIAL", "Social", "sOcIaL"})
        EXPECT_EQ(mailcategory::from(std::optional<std::string_view>(raw)), MailCategory::social) << raw;
    EXPECT_EQ(mailcategory::from(std::optional<std::string_view>("PROMOTIONS")), MailCategory::promotions);
    // Dotted capital I (U+0130) is not an ASCII letter: no category.
    EXPECT_EQ(mailcategory::from(std::optional<std::string_view>("SOC\xC4\xB0" "AL")), MailCategory::primary);
    EXPECT_TRUE(ascii::equalsIgnoringCase("MAILTO", "mailto"));
    EXPECT_FALSE(ascii::equalsIgnoringCase("MA\xC4\xB0LTO", "mailto"));
    std::setlocale(LC_ALL, saved.c_str());
}
