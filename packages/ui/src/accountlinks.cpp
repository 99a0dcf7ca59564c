#include "tarnwick/ui/accountlinks.h"

#include <QString>

#include "tarnwick/rpc/params.h"
#include "tarnwick/ui/accountlistmodel.h"
#include "tarnwick/ui/installedbrowsers.h"

namespace tarnwick::AccountLinks {

namespace {

const std::string* str(const Object& object, std::string_view key)
{
    return params::string(object, key);
}

const Object* browserWithId(const AccountListModel& model, const std::string& id)
{
    for (const Object& browser : model.browsers())
        if (const std::string* browserId = str(browser, "id"); browserId && *browserId == id)
            return &browser;
    return nullptr;
}

std::string lower(const std::string& text)
{
    return QString::fromStdString(text).toLower().toStdString();
}

std::string field(const std::map<std::string, std::string>& profile, const std::string& key)
{
    auto it = profile.find(key);
    return it == profile.end() ? std::string() : it->second;
}

} // namespace

std::string linkedBrowser(const AccountListModel& model)
{
    if (model.openLinksIn() != "system")
        return model.openLinksIn();
    const std::string* id = str(model.defaultBrowser(), "id");
    return id ? *id : "system";
}

bool profilesSupported(const AccountListModel& model)
{
    if (const Object* browser = browserWithId(model, linkedBrowser(model)))
        return params::boolean(*browser, "isChromium").value_or(false);
    if (model.openLinksIn() != "system")
        return false;
    return params::boolean(model.defaultBrowser(), "isChromium").value_or(false);
}

std::string linkedBrowserName(const AccountListModel& model)
{
    if (const Object* browser = browserWithId(model, linkedBrowser(model)))
        if (const std::string* name = str(*browser, "name"))
            return *name;
    if (const std::string* name = str(model.defaultBrowser(), "name"))
        return *name;
    return "This browser";
}

std::vector<std::map<std::string, std::string>> profiles(const AccountListModel& model, const std::string& browserId)
{
    auto it = model.browserProfiles().find(browserId);
    return it == model.browserProfiles().end() ? std::vector<std::map<std::string, std::string>>{} : it->second;
}

std::string effectiveProfile(const AccountListModel& model, const Object& account)
{
    const std::string* chosen = str(account, "browserProfile");
    if (chosen && *chosen != kAuto)
        return *chosen;
    const std::string* email = str(account, "email");
    if (!email || email->empty())
        return std::string(kNone);
    const std::string wanted = lower(*email);
    for (const auto& profile : profiles(model, linkedBrowser(model))) {
        auto it = profile.find("email");
        if (it == profile.end() || lower(it->second) != wanted)
            continue;
        const std::string directory = field(profile, "directory");
        return directory.empty() ? std::string(kNone) : directory;
    }
    return std::string(kNone);
}

std::string profileSummary(const AccountListModel& model, const Object& account)
{
    if (!profilesSupported(model))
        return "No profiles";
    const std::string effective = effectiveProfile(model, account);
    if (effective == kNone)
        return "None";
    for (const auto& profile : profiles(model, linkedBrowser(model))) {
        auto directory = profile.find("directory");
        if (directory == profile.end() || directory->second != effective)
            continue;
        const std::string name = field(profile, "name");
        return name.empty() ? effective : name;
    }
    return effective;
}

std::vector<ProfileMenuItem> profileMenuItems(const AccountListModel& model, const Object& account)
{
    const std::string effective = effectiveProfile(model, account);
    std::vector<ProfileMenuItem> items;
    items.push_back({"None", std::string(kNone), effective == kNone, false});
    bool first = true;
    for (const auto& profile : profiles(model, linkedBrowser(model))) {
        const std::string directory = field(profile, "directory");
        std::string title = field(profile, "name");
        if (title.empty())
            title = directory.empty() ? "Profile" : directory;
        items.push_back({title, directory, directory == effective, first});
        first = false;
    }
    return items;
}

std::string profileChoice(const ProfileMenuItem& item)
{
    return item.checked ? std::string(kAuto) : item.value;
}

std::string profileMenuToolTip(const AccountListModel& model)
{
    if (profilesSupported(model))
        return "The Chromium profile this account\u2019s links open in.";
    return linkedBrowserName(model) + " has no profiles to choose between.";
}

std::optional<std::string> unlistedDefaultName(const Object& defaultBrowser)
{
    const std::string* id = str(defaultBrowser, "id");
    const std::string* name = str(defaultBrowser, "name");
    if (id && *id == "other" && name && !name->empty())
        return *name;
    return std::nullopt;
}

std::vector<PickerOption> pickerOptions(const std::vector<Object>& browsers, const Object& defaultBrowser,
                                        const std::string& selection)
{
    std::vector<PickerOption> options;
    if (auto name = unlistedDefaultName(defaultBrowser))
        options.push_back({*name + " (default)", "system"});
    const std::string* defaultId = str(defaultBrowser, "id");
    const std::string defaultKey = defaultId ? *defaultId : "system";
    for (const Object& browser : InstalledBrowsers::offered(browsers, selection)) {
        const std::string* id = str(browser, "id");
        const std::string* name = str(browser, "name");
        std::string title = name ? *name : id ? *id : std::string();
        const std::string value = id ? *id : std::string();
        if (value == defaultKey)
            title += " (default)";
        options.push_back({title, value});
    }
    return options;
}

std::string pickerShownSelection(const std::string& selection, const Object& defaultBrowser)
{
    if (selection != "system")
        return selection;
    if (unlistedDefaultName(defaultBrowser))
        return "system";
    const std::string* id = str(defaultBrowser, "id");
    return id ? *id : "system";
}

} // namespace tarnwick::AccountLinks
