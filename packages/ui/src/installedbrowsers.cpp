#include "tarnwick/ui/installedbrowsers.h"

#include <gio/gdesktopappinfo.h>

#include <map>
#include <mutex>

#include "tarnwick/rpc/params.h"

namespace tarnwick::InstalledBrowsers {

namespace {

bool desktopEntryExists(const std::string& bundleId)
{
    static constexpr std::string_view suffix = ".desktop";
    std::string desktopId = bundleId;
    if (desktopId.size() < suffix.size() || desktopId.compare(desktopId.size() - suffix.size(), suffix.size(), suffix) != 0)
        desktopId += suffix;
    GDesktopAppInfo* info = g_desktop_app_info_new(desktopId.c_str());
    if (!info)
        return false;
    g_object_unref(info);
    return true;
}

struct Cache {
    std::mutex mutex;
    std::map<std::string, bool> answers;
    Locator locator = &desktopEntryExists;
};

Cache& cache()
{
    static Cache* instance = new Cache;
    return *instance;
}

} // namespace

bool isInstalled(const std::string& bundleId)
{
    if (bundleId.empty())
        return false;
    Cache& c = cache();
    std::lock_guard lock(c.mutex);
    if (auto it = c.answers.find(bundleId); it != c.answers.end())
        return it->second;
    const bool found = c.locator(bundleId);
    c.answers.emplace(bundleId, found);
    return found;
}

std::vector<Object> offered(const std::vector<Object>& browsers, const std::string& keeping)
{
    std::vector<Object> kept;
    for (const Object& browser : browsers) {
        const std::string* id = params::string(browser, "id");
        const std::string* bundleId = params::string(browser, "bundleId");
        if ((id && *id == keeping) || isInstalled(bundleId ? *bundleId : std::string()))
            kept.push_back(browser);
    }
    return kept;
}

void setLocator(Locator locator)
{
    Cache& c = cache();
    std::lock_guard lock(c.mutex);
    c.locator = std::move(locator);
    c.answers.clear();
}

} // namespace tarnwick::InstalledBrowsers
