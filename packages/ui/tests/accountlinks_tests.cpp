// Browser and profile routing of accounts, the links browser picker's options, the installed-browser
// cache and the "#rrggbb" colours.

#include <gtest/gtest.h>

#include <map>

#include "tarnwick/ui/accountlinks.h"
#include "tarnwick/ui/hexcolor.h"
#include "tarnwick/ui/installedbrowsers.h"
#include "uitestsupport.h"

using namespace tarnwick;
using namespace tarnwick::test;
namespace AL = tarnwick::AccountLinks;

namespace {

class AccountLinksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Chrome and Arc are installed, Firefox is not.
        InstalledBrowsers::setLocator([this](const std::string& bundleId) {
            ++lookups[bundleId];
            return bundleId == "com.google.Chrome" || bundleId == "company.thebrowser.Browser";
        });
        model.setBrowsers(objects(R"([
            {"id":"chrome","name":"Google Chrome","bundleId":"com.google.Chrome","isChromium":true},
            {"id":"firefox","name":"Firefox","bundleId":"org.mozilla.firefox","isChromium":false},
            {"id":"arc","name":"Arc","bundleId":"company.thebrowser.Browser"}])"),
                          object(R"({"id":"chrome","name":"Google Chrome","isChromium":true})"), "system");
        model.setBrowserProfiles({{"chrome",
                                   {{{"directory", "Default"}, {"name", "Personal"}, {"email", "me@home.org"}},
                                    {{"directory", "Profile 2"}, {"name", "Work"}, {"email", "Boss@Work.COM"}},
                                    {{"directory", "Profile 3"}, {"email", "nameless@x.org"}}}}});
    }

    FakeAccountListModel model;
    std::map<std::string, int> lookups;
};

} // namespace

TEST_F(AccountLinksTest, LinkedBrowserAndItsProfileSupport)
{
    struct Row {
        const char* name;
        std::string openLinksIn;
        const char* defaultBrowser;
        std::string linked;
        bool supported;
        std::string browserName;
    };
    const Row rows[] = {
        {"system follows the default browser", "system", R"({"id":"chrome","name":"Google Chrome"})", "chrome", true,
         "Google Chrome"},
        {"a listed non-Chromium choice", "firefox", R"({"id":"chrome"})", "firefox", false, "Firefox"},
        {"isChromium missing counts as false", "arc", R"({"id":"chrome"})", "arc", false, "Arc"},
        {"an unknown browser is not the default's", "vivaldi", R"({"id":"x","name":"Vivaldi","isChromium":true})",
         "vivaldi", false, "Vivaldi"},
        {"an unlisted default decides under system", "system", R"({"id":"other","name":"Brave","isChromium":true})",
         "other", true, "Brave"},
        {"no default browser at all", "system", R"({})", "system", false, "This browser"},
    };
    for (const Row& row : rows) {
        model.setBrowsers(model.browsers(), object(row.defaultBrowser), row.openLinksIn);
        EXPECT_EQ(AL::linkedBrowser(model), row.linked) << row.name;
        EXPECT_EQ(AL::profilesSupported(model), row.supported) << row.name;
        EXPECT_EQ(AL::linkedBrowserName(model), row.browserName) << row.name;
    }
}

TEST_F(AccountLinksTest, EffectiveProfileAndMenuTitle)
{
    struct Row {
        const char* name;
        const char* account;
        std::string effective;
        std::string summary;
    };
    const Row rows[] = {
        {"no profile and no email", R"({"id":"a"})", "_none", "None"},
        {"empty email", R"({"id":"a","email":""})", "_none", "None"},
        {"email matched ignoring case", R"({"id":"a","email":"boss@work.com"})", "Profile 2", "Work"},
        {"explicit _auto matches too", R"({"id":"a","email":"ME@home.org","browserProfile":"_auto"})", "Default",
         "Personal"},
        {"no profile with that email", R"({"id":"a","email":"who@else.org"})", "_none", "None"},
        {"a chosen directory wins over the email", R"({"id":"a","email":"boss@work.com","browserProfile":"Default"})",
         "Default", "Personal"},
        {"explicitly none", R"({"id":"a","email":"boss@work.com","browserProfile":"_none"})", "_none", "None"},
        {"a profile without a name shows its directory", R"({"id":"a","email":"nameless@x.org"})", "Profile 3",
         "Profile 3"},
        {"a directory no profile has", R"({"id":"a","browserProfile":"Gone"})", "Gone", "Gone"},
        {"a wrongly typed profile counts as missing", R"({"id":"a","browserProfile":7,"email":"me@home.org"})",
         "Default", "Personal"},
    };
    for (const Row& row : rows) {
        const Object account = object(row.account);
        EXPECT_EQ(AL::effectiveProfile(model, account), row.effective) << row.name;
        EXPECT_EQ(AL::profileSummary(model, account), row.summary) << row.name;
    }

    model.setBrowsers(model.browsers(), object(R"({"id":"chrome"})"), "firefox");
    EXPECT_EQ(AL::profileSummary(model, object(R"({"email":"boss@work.com"})")), "No profiles");
    EXPECT_EQ(AL::profileMenuToolTip(model), "Firefox has no profiles to choose between.");
}

TEST_F(AccountLinksTest, MenuItemsCheckTheEffectiveProfileAndToggleBackToAutomatic)
{
    const Object account = object(R"({"id":"a","email":"BOSS@work.com"})");
    const std::vector<AL::ProfileMenuItem> expected = {
        {"None", "_none", false, false},
        {"Personal", "Default", false, true},
        {"Work", "Profile 2", true, false},
        {"Profile 3", "Profile 3", false, false},
    };
    const auto items = AL::profileMenuItems(model, account);
    EXPECT_EQ(items, expected);
    EXPECT_EQ(AL::profileChoice(items[2]), "_auto") << "unchecking the checked profile";
    EXPECT_EQ(AL::profileChoice(items[1]), "Default");
    EXPECT_EQ(AL::profileChoice(items[0]), "_none");
    EXPECT_EQ(AL::profileMenuToolTip(model), "The Chromium profile this account\u2019s links open in.");

    // Without profiles for the linked browser only "None" is offered, and it is checked.
    model.setBrowserProfiles({});
    EXPECT_EQ(AL::profileMenuItems(model, account), (std::vector<AL::ProfileMenuItem>{{"None", "_none", true, false}}));
    // A profile lacking name and directory is titled "Profile".
    model.setBrowserProfiles({{"chrome", {{{"email", "x@y.z"}}}}});
    EXPECT_EQ(AL::profileMenuItems(model, account).back().title, "Profile");
}

TEST_F(AccountLinksTest, PickerOptionsOfferInstalledBrowsersAndTheDefault)
{
    struct Row {
        const char* name;
        const char* defaultBrowser;
        std::string selection;
        std::vector<AL::PickerOption> options;
        std::string shown;
    };
    const Row rows[] = {
        {"the default marked, Firefox not installed", R"({"id":"chrome","name":"Google Chrome"})", "system",
         {{"Google Chrome (default)", "chrome"}, {"Arc", "arc"}}, "chrome"},
        {"the selection is kept although not installed", R"({"id":"chrome"})", "firefox",
         {{"Google Chrome (default)", "chrome"}, {"Firefox", "firefox"}, {"Arc", "arc"}}, "firefox"},
        {"an unlisted default comes first as system", R"({"id":"other","name":"Arc"})", "system",
         {{"Arc (default)", "system"}, {"Google Chrome", "chrome"}, {"Arc", "arc"}}, "system"},
        {"an unlisted default without a name", R"({"id":"other","name":""})", "system",
         {{"Google Chrome", "chrome"}, {"Arc", "arc"}}, "other"},
        {"no default id: system is the key", R"({})", "chrome", {{"Google Chrome", "chrome"}, {"Arc", "arc"}}, "chrome"},
        {"no default at all under system", R"({})", "system", {{"Google Chrome", "chrome"}, {"Arc", "arc"}}, "system"},
    };
    for (const Row& row : rows) {
        const Object defaultBrowser = object(row.defaultBrowser);
        EXPECT_EQ(AL::pickerOptions(model.browsers(), defaultBrowser, row.selection), row.options) << row.name;
        EXPECT_EQ(AL::pickerShownSelection(row.selection, defaultBrowser), row.shown) << row.name;
    }
    // A browser without name or id still gets an option (empty title and value).
    const auto options = AL::pickerOptions(objects(R"([{"bundleId":"com.google.Chrome"}])"), object("{}"), "system");
    EXPECT_EQ(options, (std::vector<AL::PickerOption>{{"", ""}}));
}

TEST_F(AccountLinksTest, InstalledCheckAsksTheSystemOncePerIdentifier)
{
    EXPECT_FALSE(InstalledBrowsers::isInstalled(""));
    EXPECT_TRUE(lookups.empty()) << "an empty identifier is never looked up";
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(InstalledBrowsers::isInstalled("com.google.Chrome"));
        EXPECT_FALSE(InstalledBrowsers::isInstalled("org.mozilla.firefox"));
    }
    AL::pickerOptions(model.browsers(), model.defaultBrowser(), "system");
    EXPECT_EQ(lookups["com.google.Chrome"], 1);
    EXPECT_EQ(lookups["org.mozilla.firefox"], 1);
    EXPECT_EQ(lookups["company.thebrowser.Browser"], 1);
}

TEST(HexColorTest, ParsesSixDigitsAndFormatsLowerCase)
{
    struct Row {
        const char* in;
        QColor color;
        std::string hex;
    };
    const QColor grey = QColor::fromRgbF(0.5f, 0.5f, 0.5f);
    const Row rows[] = {
        {"", grey, "#808080"},
        {"#", grey, "#808080"},
        {"12345", grey, "#808080"},
        {"#1234567", grey, "#808080"},
        {"##123456", grey, "#808080"},
        {"#zzzzzz", grey, "#808080"},
        {"#3B82F6", QColor(0x3b, 0x82, 0xf6), "#3b82f6"},
        {"a855f7", QColor(0xa8, 0x55, 0xf7), "#a855f7"},
    };
    for (const Row& row : rows) {
        const QColor parsed = HexColor::color(std::string(row.in));
        EXPECT_EQ(parsed.rgb(), row.color.rgb()) << row.in;
        EXPECT_EQ(HexColor::hexString(parsed), row.hex) << row.in;
    }
    EXPECT_EQ(HexColor::hexString(QColor()), "#808080") << "a colour without RGB components";
    EXPECT_EQ(HexColor::hexString(QColor::fromHsvF(0.0f, 1.0f, 1.0f)), "#ff0000") << "converted from HSV";
    EXPECT_EQ(HexColor::hexString(QColor::fromRgbF(1.4f, -0.2f, 0.5f)), "#ff0080") << "extended range is clamped";
}
