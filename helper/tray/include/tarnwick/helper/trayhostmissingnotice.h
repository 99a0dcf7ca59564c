#pragma once

#include <string>

namespace tarnwick {

class NotificationCenter;

/// Tells the user, once per run and with a desktop notification, that this desktop shows no tray
/// items and how to get them; everything else goes on working without the item.
class TrayHostMissingNotice {
public:
    static constexpr const char* kIdentifier = "tarnwick-tray-host-missing";
    static constexpr const char* kTitle = "Tarnwick has no tray icon on this desktop";
    static constexpr const char* kBody =
        "Your desktop shows no tray icons. On GNOME, install and turn on the AppIndicator extension "
        "(package gnome-shell-extension-appindicator); the Tarnwick icon appears as soon as a tray is "
        "there. Tarnwick keeps running meanwhile.";

    explicit TrayHostMissingNotice(NotificationCenter& center);

    /// Posts the notice the first time; later calls do nothing.
    void show();

private:
    NotificationCenter& m_center;
    bool m_shown = false;
};

} // namespace tarnwick
