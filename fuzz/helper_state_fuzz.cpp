// Request parameters from standard input, fed to the helper's state the way tray.update,
// tray.messages, tray.verificationCode and settings.update deliver them: whatever shape the main
// application sends, the models must stay consistent and their derived views computable.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "../helper/testing/fakedefaulthandler.h"
#include "tarnwick/helper/clock.h"
#include "tarnwick/helper/menubartitle.h"
#include "tarnwick/helper/settingsmodel.h"
#include "tarnwick/helper/traymessage.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/rpc/helperlog.h"
#include "tarnwick/rpc/json.h"
#include "tarnwick/rpc/params.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = [] {
        HelperLog::setSink([](auto, auto, auto, auto) {});
        return true;
    }();
    (void)quiet;

    const auto value = json::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!value || !value->object())
        return 0;
    const Object& params = *value->object();

    TrayModel tray;
    tray.update(params);
    tray.updateVerificationCode(&params);
    if (const auto* accountId = params::string(params, "accountId")) {
        if (auto objects = params::objectList(params, "messages")) {
            std::vector<TrayMessage> messages;
            for (const Object& object : *objects)
                messages.push_back(TrayMessage::fromParams(object));
            if (!messages.empty())
                tray.apply(TrayThreadAction::archive, *accountId, messages.front().id);
            tray.setMessages(*accountId, std::move(messages));
        }
    }
    (void)tray.visibleMessages();
    (void)tray.visibleUnreadCount();
    (void)tray.activeVerificationCode();

    std::vector<MenuBarAccount> accounts;
    for (const TrayAccount& account : tray.accounts())
        accounts.push_back(MenuBarAccount::from(account));
    (void)MenuBarTitle::dots(accounts, 8.6);
    (void)MenuBarTitle::numbers(accounts, 8.6);
    (void)MenuBarTitle::accessibilityDescription(accounts);

    test::FakeDefaultHandler handler;
    SettingsModel settings(handler);
    settings.update(params);
    return 0;
}
