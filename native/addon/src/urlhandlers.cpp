#include "urlhandlers.h"

#include <QUrl>

#include <gio/gio.h>

namespace tarnwick::addon {

namespace {

template <typename T>
struct GObjectDeleter {
    void operator()(T* object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter<T>>;

} // namespace

bool hasApplicationForUrl(const std::string& url)
{
    const QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
    if (!parsed.isValid() || parsed.scheme().isEmpty())
        return false;
    if (parsed.isLocalFile()) {
        GObjectPtr<GFile> file(g_file_new_for_uri(parsed.toEncoded().constData()));
        GObjectPtr<GAppInfo> app(g_file_query_default_handler(file.get(), nullptr, nullptr));
        return app != nullptr;
    }
    return defaultApplicationForScheme(parsed.scheme().toStdString()).has_value();
}

std::optional<std::string> defaultApplicationForScheme(const std::string& scheme)
{
    GObjectPtr<GAppInfo> app(g_app_info_get_default_for_uri_scheme(scheme.c_str()));
    if (!app)
        return std::nullopt;
    const char* name = g_app_info_get_display_name(app.get());
    return std::string(name ? name : "");
}

std::optional<std::string> openUri(const std::string& uri)
{
    GError* error = nullptr;
    if (g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error))
        return std::nullopt;
    std::string message = error && error->message ? error->message : "unknown error";
    g_clear_error(&error);
    return message;
}

} // namespace tarnwick::addon
