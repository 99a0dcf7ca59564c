#include <gtest/gtest.h>

#include "tarnwick/mail/mailcategory.h"

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
