#include "tarnwick/widgets/linkopener.h"

#include <memory>
#include <string>

#include <gio/gio.h>

#include "tarnwick/widgets/widgetlog.h"

namespace tarnwick {
namespace {

struct Pending {
    WidgetLog* log;
    std::string link;
};

void launched(GObject*, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
    GError* error = nullptr;
    if (!g_app_info_launch_default_for_uri_finish(result, &error)) {
        pending->log->warn("Failed to open " + pending->link + ": " + (error ? error->message : "unknown error"));
        g_clear_error(&error);
    }
}

} // namespace

void GioLinkOpener::open(const QString& link)
{
    const QByteArray uri = link.toUtf8();
    // The callback runs from the GLib main context, which Qt's event loop dispatches on Linux.
    g_app_info_launch_default_for_uri_async(uri.constData(), nullptr, nullptr, launched,
                                            new Pending{&m_log, uri.toStdString()});
}

} // namespace tarnwick
