// The twelve C entry points. Each copies its string arguments before returning; toolbar work is
// queued to the UI thread and applied there in call order.
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include <QApplication>
#include <QMainWindow>
#include <QPointer>
#include <QWidget>

#include <cinttypes>
#include <cstdio>
#include <memory>

#include <QGuiApplication>

#include "foreignhost.h"
#include "hostlog.h"
#include "keychainbridge.h"
#include "tarnwick/extensionkit/secretservicekeystore.h"
#include "tarnwick/native/actionbridge.h"
#include "tarnwick/native/uithread.h"
#include "toolbarmanager.h"
#include "widgetbridge.h"

#define TARNWICK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using tarnwick::native::runOnUiThread;
using tarnwick::nativelib::ToolbarManager;

std::string copy(const char* text)
{
    return text ? std::string(text) : std::string();
}

char* handOver(const std::optional<std::string>& value)
{
    return value ? ::strdup(value->c_str()) : nullptr;
}

// The strip in a foreign host window while the toolbar lives there. UI thread only.
std::unique_ptr<tarnwick::nativelib::ForeignHost>& foreignHost()
{
    static auto* host = new std::unique_ptr<tarnwick::nativelib::ForeignHost>;
    return *host;
}

void ignoreHandle(void* view, const char* why)
{
    char text[200];
    std::snprintf(text, sizeof text, "Ignoring window handle 0x%" PRIxPTR ": %s", reinterpret_cast<std::uintptr_t>(view), why);
    tarnwick::nativelib::hostLog(text);
}

QWidget* liveWidget(void* view)
{
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget* candidate : widgets) {
        if (static_cast<void*>(candidate) == view)
            return candidate;
    }
    return nullptr;
}

// A handle that names no widget of this process may be the X11 id of the host's window (a
// Chromium host on X11 or XWayland reports that).
void attachForeign(ToolbarManager& manager, void* view)
{
    using tarnwick::nativelib::ForeignHost;
    using tarnwick::nativelib::X11Connection;
    const auto id = reinterpret_cast<std::uintptr_t>(view);
    auto& current = foreignHost();
    if (current && current->hostWindow() == id)
        return;
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        const std::string why = "it is no widget of this process and there is no X11 display (Qt platform \""
            + QGuiApplication::platformName().toStdString() + "\")";
        ignoreHandle(view, why.c_str());
        return;
    }
    // X11 resource ids have 29 bits.
    std::unique_ptr<X11Connection> connection = id <= 0x1fffffffu ? X11Connection::open() : nullptr;
    if (!connection || !connection->windowExists(static_cast<std::uint32_t>(id))) {
        ignoreHandle(view, "it is neither a widget of this process nor an X11 window");
        return;
    }
    manager.detach();
    current.reset();
    current = std::make_unique<ForeignHost>(std::move(connection), static_cast<std::uint32_t>(id), manager, [] {
        tarnwick::nativelib::hostLog("The toolbar's host window was closed; the toolbar is removed");
        foreignHost().reset();
    });
}

template <typename F>
void onManager(F&& work)
{
    runOnUiThread([work = std::forward<F>(work)]() mutable { work(ToolbarManager::shared()); });
}

} // namespace

TARNWICK_EXPORT void toolbar_set_callback(void (*cb)(const char* action, const char* payload))
{
    tarnwick::native::ActionBridge::setCallback(cb);
}

TARNWICK_EXPORT void toolbar_attach(void* view)
{
    if (!view)
        return;
    // Widgets belong to the UI thread, so the window is looked up there, in order with the other
    // toolbar work. The address comes from outside: it is used only once it is known to be a live
    // widget of this process.
    onManager([view](ToolbarManager& manager) {
        QWidget* widget = liveWidget(view);
        if (!widget) {
            attachForeign(manager, view);
            return;
        }
        auto* window = qobject_cast<QMainWindow*>(widget->window());
        if (!window)
            return;
        foreignHost().reset();
        manager.attach(window);
    });
}

TARNWICK_EXPORT void toolbar_detach(void)
{
    onManager([](ToolbarManager& manager) {
        manager.detach();
        foreignHost().reset();
    });
}

TARNWICK_EXPORT void toolbar_update_accounts(const char* json)
{
    if (!json)
        return;
    onManager([text = copy(json)](ToolbarManager& manager) { manager.updateAccounts(text); });
}

TARNWICK_EXPORT void toolbar_update_labels(const char* json)
{
    if (!json)
        return;
    onManager([text = copy(json)](ToolbarManager& manager) { manager.updateLabels(text); });
}

TARNWICK_EXPORT void toolbar_run_customization(void)
{
    onManager([](ToolbarManager& manager) { manager.runCustomization(); });
}

// Declared with bool in the header; read as a byte here because only its lowest bit counts.
TARNWICK_EXPORT void toolbar_set_item_enabled(const char* itemId, unsigned char enabled)
{
    if (!itemId)
        return;
    const bool on = (enabled & 1u) != 0;
    onManager([id = QString::fromUtf8(itemId), on](ToolbarManager& manager) { manager.setItemEnabled(id, on); });
}

TARNWICK_EXPORT void toolbar_set_share_url(const char* url)
{
    if (!url)
        return;
    onManager([text = QString::fromUtf8(url)](ToolbarManager& manager) { manager.setShareUrl(text); });
}

TARNWICK_EXPORT void widgets_reload_all(void)
{
    tarnwick::nativelib::WidgetBridge::reloadAll();
}

TARNWICK_EXPORT char* widgets_group_container_path(const char* appGroupId)
{
    if (!appGroupId)
        return nullptr;
    return handOver(tarnwick::nativelib::WidgetBridge::groupContainerPath(appGroupId));
}

TARNWICK_EXPORT char* widgets_app_group_identifier(void)
{
    return handOver(tarnwick::nativelib::WidgetBridge::appGroupIdentifier());
}

TARNWICK_EXPORT char* localcache_key(void)
{
    return handOver(tarnwick::nativelib::KeychainBridge::localCacheKey(tarnwick::SecretServiceKeyStore::shared()));
}
