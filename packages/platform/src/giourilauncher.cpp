#include "tarnwick/platform/urilauncher.h"

#include <gio/gio.h>

namespace tarnwick {

std::optional<std::string> GioUriLauncher::open(const std::string& uri)
{
    GError* error = nullptr;
    if (g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error))
        return std::nullopt;
    std::string why = error && error->message ? error->message : "no application handles the URI";
    g_clear_error(&error);
    return why;
}

} // namespace tarnwick
