#include "tarnwick/helper/focussettings.h"

#include <gio/gdesktopappinfo.h>

#include "tarnwick/rpc/helperlog.h"

namespace tarnwick::FocusSettings {

const std::vector<std::string>& candidateDesktopIds()
{
    static const std::vector<std::string> ids = {
        "gnome-notifications-panel.desktop", "kcm_notifications.desktop", "org.gnome.Settings.desktop",
        "gnome-control-center.desktop",      "systemsettings.desktop",
    };
    return ids;
}

bool open()
{
    for (const std::string& id : candidateDesktopIds()) {
        GDesktopAppInfo* info = g_desktop_app_info_new(id.c_str());
        if (!info)
            continue;
        GError* error = nullptr;
        const bool launched = g_app_info_launch(G_APP_INFO(info), nullptr, nullptr, &error);
        g_object_unref(info);
        if (launched)
            return true;
        HelperLog::warn("Settings", "Could not open " + id + ": " + (error ? error->message : "unknown error"));
        g_clear_error(&error);
    }
    HelperLog::warn("Settings", "No desktop settings to open for Focus filters");
    return false;
}

} // namespace tarnwick::FocusSettings
