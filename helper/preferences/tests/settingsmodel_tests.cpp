#include <gtest/gtest.h>

#include <QSignalSpy>

#include "fakedefaulthandler.h"
#include "helpertestsupport.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/ui/defaulthandlerrow.h"

using namespace tarnwick;
using namespace tarnwick::test;
using Field = SettingsModel::Field;

namespace {

Object obj(std::string_view text)
{
    auto value = json::parse(text);
    EXPECT_TRUE(value && value->object()) << text;
    return value && value->object() ? *value->object() : Object{};
}

class SettingsModelTest : public ::testing::Test {
protected:
    RecordingTransport io;
    FakeDefaultHandler handler;
    SettingsModel model{handler};
};

// A value of the preference's kind that differs from its default.
Value otherValue(const SettingsModel::PreferenceInfo& info)
{
    switch (info.kind) {
    case Value::Kind::String: return Value(*info.defaultValue.string() + "-x");
    case Value::Kind::Integer: return Value(*info.defaultValue.integer() + 1);
    default: return Value(!*info.defaultValue.boolean());
    }
}

} // namespace

TEST_F(SettingsModelTest, StartsFromTheDefaults)
{
    EXPECT_EQ(model.theme(), "system");
    EXPECT_EQ(model.pollIntervalSeconds(), 60);
    EXPECT_EQ(model.pollIntervalBatterySeconds(), 180);
    EXPECT_EQ(model.inactiveAccountSuspendMinutes(), 5);
    EXPECT_FALSE(model.launchAtLogin());
    EXPECT_EQ(model.composeAccountPicker(), "active");
    EXPECT_EQ(model.openLinksIn(), "system");
    EXPECT_FALSE(model.alwaysJoinInBrowser());
    EXPECT_EQ(model.quickComposeHotkey(), "Alt+Command+C");
    EXPECT_EQ(model.dockBadgeMode(), "allUnread");
    EXPECT_TRUE(model.showMenuBarTray());
    EXPECT_EQ(model.menuBarUnreadDisplay(), "numbers");
    EXPECT_FALSE(model.menuBarUnreadOnly());
    EXPECT_TRUE(model.menuBarVerificationCodes());
    EXPECT_EQ(model.verificationCodeDurationMinutes(), 15);
    EXPECT_TRUE(model.hidePromotionAds());
    EXPECT_FALSE(model.hideSidebar());
    EXPECT_TRUE(model.transparentBackground());
    EXPECT_EQ(model.notifPrimary(), "loud");
    EXPECT_EQ(model.notifUpdates(), "silent");
    EXPECT_EQ(model.notifPromotions(), "badge");
    EXPECT_EQ(model.notifSocial(), "badge");
    EXPECT_EQ(model.notifForums(), "off");
    EXPECT_EQ(model.focusFilterStatus(), "Inactive (All accounts active)");
    EXPECT_FALSE(model.canClaimDefaults());
    EXPECT_TRUE(model.handlerRows().empty());
}

TEST_F(SettingsModelTest, EverySetSendsOneEventOnceATransportIsHeld)
{
    model.setHideSidebar(true);
    EXPECT_TRUE(io.lines.empty()) << "before the window was shown nothing is sent";
    EXPECT_TRUE(model.hideSidebar());

    model.setTransport(io.transport);
    model.setHideSidebar(true);
    model.setHideSidebar(true);
    const std::string event = R"({"method":"settings.changed","params":{"key":"hideSidebar","value":true}})";
    EXPECT_EQ(io.take(), (std::vector<std::string>{event, event})) << "also when the value did not change";
    model.setNotifSocial("badge");
    model.setPollIntervalSeconds(900);
    model.setQuickComposeHotkey("off");
    EXPECT_EQ(io.take(), (std::vector<std::string>{
                             R"({"method":"settings.changed","params":{"key":"notifications.social","value":"badge"}})",
                             R"({"method":"settings.changed","params":{"key":"pollIntervalSeconds","value":900}})",
                             R"({"method":"settings.changed","params":{"key":"quickComposeHotkey","value":"off"}})"}));

    // Every preference, through the generic setter: its own event key and a value of its kind.
    for (const auto& info : SettingsModel::preferences()) {
        const Value value = otherValue(info);
        ASSERT_TRUE(model.setPreference(info.field, value));
        EXPECT_EQ(model.preference(info.field), value);
        const auto lines = io.take();
        ASSERT_EQ(lines.size(), 1u) << info.eventKey;
        auto sent = RPCEvent::decode(*json::parse(lines[0]));
        ASSERT_TRUE(sent);
        EXPECT_EQ(sent->method, "settings.changed");
        EXPECT_EQ(*sent->params->dict()->at("key").string(), info.eventKey);
        EXPECT_EQ(sent->params->dict()->at("value"), value);
        EXPECT_FALSE(model.setPreference(info.field, Value(Null{}))) << "a value of another kind is refused";
        EXPECT_EQ(model.preference(info.field), value);
    }
    EXPECT_TRUE(io.lines.empty());
    EXPECT_FALSE(model.setPreference(Field::accounts, Value("x"))) << "no preference";
}

TEST_F(SettingsModelTest, UpdateAppliesExactKindsSilently)
{
    model.setTransport(io.transport);
    model.update(obj(R"({"theme":"dark","pollIntervalSeconds":"60","pollIntervalBatterySeconds":300.0,)"
                     R"("quickComposeHotkey":"Hyper+X","launchAtLogin":1,"showMenuBarTray":false,"hideSidebar":null,)"
                     R"("verificationCodeDurationMinutes":-4,"unknown":true})"));
    EXPECT_EQ(model.theme(), "dark");
    EXPECT_EQ(model.pollIntervalSeconds(), 60);
    EXPECT_EQ(model.pollIntervalBatterySeconds(), 180) << "300.0 is no integer";
    EXPECT_EQ(model.quickComposeHotkey(), "Hyper+X") << "no membership check";
    EXPECT_FALSE(model.launchAtLogin());
    EXPECT_FALSE(model.showMenuBarTray());
    EXPECT_FALSE(model.hideSidebar());
    EXPECT_EQ(model.verificationCodeDurationMinutes(), -4) << "no range check";
    EXPECT_FALSE(model.suppressEvents());
    EXPECT_TRUE(io.lines.empty()) << "values from the main application are never echoed";

    // Every key of the table is read under its own name.
    Object all;
    for (const auto& info : SettingsModel::preferences()) {
        if (!info.updateKey.empty())
            all.emplace(std::string(info.updateKey), otherValue(info));
    }
    model.update(all);
    for (const auto& info : SettingsModel::preferences()) {
        if (!info.updateKey.empty()) {
            EXPECT_EQ(model.preference(info.field), otherValue(info)) << info.updateKey;
        }
    }
    EXPECT_TRUE(io.lines.empty());
}

TEST_F(SettingsModelTest, NotificationLevelsNeedAnAllStringObject)
{
    model.update(obj(R"({"notifications":{"primary":"off","social":false}})"));
    EXPECT_EQ(model.notifPrimary(), "loud") << "one non-string spoils the object";
    EXPECT_EQ(model.notifSocial(), "badge");
    model.update(obj(R"({"notifications":{"forums":"loud"}})"));
    EXPECT_EQ(model.notifForums(), "loud");
    EXPECT_EQ(model.notifPrimary(), "loud");
    model.update(obj(R"({"notifications":{"primary":"silent","updates":"off","promotions":"loud","social":"silent","forums":"badge","other":"x"}})"));
    EXPECT_EQ(model.notifPrimary(), "silent");
    EXPECT_EQ(model.notifUpdates(), "off");
    EXPECT_EQ(model.notifPromotions(), "loud");
    EXPECT_EQ(model.notifSocial(), "silent");
    EXPECT_EQ(model.notifForums(), "badge");
    model.update(obj(R"({"notifications":["primary"]})"));
    model.update(obj(R"({"notifications":"off"})"));
    EXPECT_EQ(model.notifPrimary(), "silent");
}

TEST_F(SettingsModelTest, ViewsHearRealChangesAndDisplayFieldsSendNothing)
{
    model.setTransport(io.transport);
    QSignalSpy spy(&model, &SettingsModel::fieldChanged);
    model.update(obj(R"({"theme":"system","hideSidebar":true})"));
    ASSERT_EQ(spy.count(), 1) << "the unchanged theme notifies nothing";
    EXPECT_EQ(spy.at(0).at(0).value<Field>(), Field::hideSidebar);

    spy.clear();
    model.setAccounts({obj(R"({"id":"a"})")});
    model.setBrowserProfiles({{"chrome", {{{"id", "Default"}}}}});
    model.setBrowsers({obj(R"({"id":"firefox"})")});
    model.setDefaultBrowser(obj(R"({"id":"firefox"})"));
    model.setAppVersion("2.0");
    model.setFocusFilterStatus("Active: 1 accounts active (others silenced)");
    model.setAppVersion("2.0");
    EXPECT_EQ(spy.count(), 6);
    EXPECT_TRUE(io.lines.empty()) << "display and account fields are never reported";
}

TEST_F(SettingsModelTest, HandlerRowsFollowTheSystem)
{
    model.refreshHandlers();
    ASSERT_EQ(model.handlerRows().size(), 1u);
    EXPECT_EQ(model.handlerRows()[0], (HandlerRow{DefaultHandler::Target::mailto, "Email links (mailto:)", "", false, "mailto", ""}))
        << "no bundle and no handler still builds the row";
    EXPECT_FALSE(model.canClaimDefaults());

    handler.claimable = true;
    handler.handler = DefaultHandler::Current{"Thunderbird", false};
    model.refreshHandlers();
    EXPECT_TRUE(model.canClaimDefaults());
    EXPECT_EQ(model.handlerRows()[0].handler, "Thunderbird");

    const int before = handler.queries;
    model.claimHandler(DefaultHandler::Target::mailto);
    EXPECT_EQ(handler.queries, before) << "nothing is refreshed before the claim ends";
    handler.handler = DefaultHandler::Current{"Tarnwick", true};
    handler.finishClaim();
    EXPECT_TRUE(model.handlerRows()[0].isTarnwick);
    EXPECT_EQ(model.handlerRows()[0].handler, "Tarnwick");

    handler.handler.reset();
    model.claimHandler(DefaultHandler::Target::mailto);
    handler.finishClaim(std::string("refused"));
    EXPECT_EQ(model.handlerRows()[0].handler, "") << "a failed claim refreshes too";

    {
        SettingsModel shortLived{handler};
        shortLived.claimHandler(DefaultHandler::Target::mailto);
    }
    const int queries = handler.queries;
    handler.finishClaim();
    EXPECT_EQ(handler.queries, queries) << "a model that is gone is not refreshed";
}

TEST(DefaultHandlerRow, SubtitleAndButtonFollowTheClaimState)
{
    using DefaultHandlerRow::Item;
    struct Case {
        Item item;
        bool canClaim;
        const char* subtitle;
        std::optional<std::string> button;
    };
    const Case cases[] = {
        {{"mailto", "Email links (mailto:)", "Thunderbird", false, ""}, false,
         "Only the installed app can be the default reader", std::nullopt},
        {{"mailto", "Email links (mailto:)", "Thunderbird", false, "The desktop cannot start Tarnwick: its program /x is missing"},
         false, "The desktop cannot start Tarnwick: its program /x is missing", std::nullopt},
        {{"mailto", "Email links (mailto:)", "Tarnwick", true, ""}, false, "Only the installed app can be the default reader",
         std::nullopt},
        {{"mailto", "Email links (mailto:)", "Tarnwick (dev)", true, ""}, true, "Tarnwick is the default reader", std::nullopt},
        {{"mailto", "Email links (mailto:)", "Thunderbird", false, ""}, true, "Thunderbird is the default reader",
         "Use Tarnwick"},
        {{"mailto", "Email links (mailto:)", "", false, ""}, true, "No default reader", "Use Tarnwick"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DefaultHandlerRow::subtitle(c.item, "Tarnwick", c.canClaim), c.subtitle);
        EXPECT_EQ(DefaultHandlerRow::claimButtonTitle(c.item, "Tarnwick", c.canClaim), c.button);
    }
}
