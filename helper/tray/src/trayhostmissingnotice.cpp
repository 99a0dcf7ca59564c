#include "tarnwick/helper/trayhostmissingnotice.h"

#include "tarnwick/notifications/notificationcenter.h"
#include "tarnwick/rpc/helperlog.h"

namespace tarnwick {

TrayHostMissingNotice::TrayHostMissingNotice(NotificationCenter& center)
    : m_center(center)
{
}

void TrayHostMissingNotice::show()
{
    if (m_shown)
        return;
    m_shown = true;
    NotificationRequest request;
    request.identifier = kIdentifier;
    request.content.title = kTitle;
    request.content.body = kBody;
    m_center.add(std::move(request), [](std::optional<std::string> error) {
        if (error)
            HelperLog::warn("Tray", "Could not tell the user that the desktop shows no tray: " + *error);
        else
            HelperLog::info("Tray", "Told the user that the desktop shows no tray");
    });
}

} // namespace tarnwick
